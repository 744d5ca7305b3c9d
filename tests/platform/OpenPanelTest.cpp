#include "platform/ImageTypes.h"
#include "platform/Panels.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvel::platform {
namespace {

TEST(ImageTypes, AreThoseReadHereAndThoseOfTheHelpersLoaders)
{
    const QStringList suffixes = readableImageSuffixes();
    for (const char* suffix : {"jpg", "jpeg", "png", "tif", "tiff", "webp", "gif", "jp2", "svg"})
        EXPECT_TRUE(suffixes.contains(QLatin1String(suffix))) << suffix;
    // Saved but never loaded (dz, raw), or text that no image loader should take (csv).
    for (const char* suffix : {"dz", "raw", "csv"})
        EXPECT_FALSE(suffixes.contains(QLatin1String(suffix))) << suffix;
    for (const QString& suffix : suffixes)
        EXPECT_FALSE(suffix.startsWith(QLatin1Char('.')) || suffix != suffix.toLower()) << suffix.toStdString();
}

// The toolkit's own dialog, answered by typing into it as a user would.
TEST(OpenPanel, YieldsTheFinalTargetsOfLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString real = dir.filePath(QStringLiteral("real image.png"));
    const QString other = dir.filePath(QStringLiteral("other.png"));
    for (const QString& path : {real, other}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(real, dir.filePath(QStringLiteral("middle.png"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("middle.png")), dir.filePath(QStringLiteral("outer.png"))));

    QString title;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        title = dialog->windowTitle();
        dialog->setDirectory(dir.path());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(QStringLiteral("\"outer.png\" \"other.png\""));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QtPanels panels;
    const QStringList chosen = panels.chooseFiles(
        nullptr, {.title = QStringLiteral("Choose"), .prompt = QStringLiteral("Select"),
                  .nameFilters = {QStringLiteral("Images (*.png)")}, .multiple = true, .startDirectory = {}});
    EXPECT_EQ(title, QStringLiteral("Choose"));
    EXPECT_EQ(chosen, (QStringList{real, other}));
}

} // namespace
} // namespace quorvel::platform
