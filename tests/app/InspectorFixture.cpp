#include "app/InspectorFixture.h"

#include "app/VerdictColour.h"
#include "platform/PreviewMaker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPixmap>

namespace quorvel::test {

void InspectorFixture::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    notifications = std::make_unique<platform::NotificationCenter>();
    preferences = std::make_unique<PreferencesWindow>();
    mainWindow = std::make_unique<MainWindow>();
    info = QuorvelInfo::sharedInstance();
    info->connectOutlets({mainWindow.get(), preferences.get(), notifications.get(), &panels, &defaults});
    info->awakeFromNib();
}

void InspectorFixture::TearDown()
{
    QuorvelInfo::releaseSharedInstance();
    mainWindow.reset();
    preferences.reset();
    notifications.reset();
}

void InspectorFixture::setControls(int row, bool enabled, int slider, bool preview)
{
    preferences->selectMatrixRow(row);
    preferences->setSliderValue(slider);
    prefs()->loSuich->setChecked(preview);
    prefs()->loSuich->setEnabled(enabled);
    prefs()->laMatrice->setEnabled(enabled);
    prefs()->loSlide->setEnabled(enabled);
}

QString InspectorFixture::image(const QString& name, const ImageSpecForTest& recipe)
{
    const QString path = dir.filePath(name);
    EXPECT_TRUE(writeTestImage(path, recipe)) << path.toStdString();
    return path;
}

bool InspectorFixture::isRed(const QLineEdit* field) const
{
    return field->palette().color(QPalette::Text) == failingColour(field->palette());
}

bool InspectorFixture::waitForPreview(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        info->previewLoader()->waitForPending();
        QCoreApplication::processEvents();
        if (!ui()->inspectorQuorvel->pixmap().isNull())
            return true;
    }
    return false;
}

} // namespace quorvel::test
