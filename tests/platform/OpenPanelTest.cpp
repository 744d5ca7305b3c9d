#include "platform/ImageTypes.h"
#include "platform/Panels.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
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
    // Read here whatever the helper's libvips has loaders for.
    for (const char* suffix : {"jp2", "j2k", "j2c", "jpf", "jpx", "pbm", "pgm", "ppm", "pnm", "pam"})
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

// The extension is added before the panel's question, so a file that the
// report would replace is always named in it.
TEST(SavePanel, AsksBeforeReplacingTheFileWithTheExtensionAdded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString existing = dir.filePath(QStringLiteral("notes.md.txt"));
    {
        QFile file(existing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    for (const bool replace : {false, true}) {
        QString question;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->setDirectory(dir.path());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QStringLiteral("notes.md"));
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box)
                    return; // no question: the test fails below
                question = box->text();
                box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible())
                dialog->reject();
        });
        QtPanels panels;
        const std::optional<QString> chosen = panels.chooseSaveFile(
            nullptr, {.title = QStringLiteral("Save Report"), .proposedName = QStringLiteral("Report"),
                      .suffix = QStringLiteral("txt"), .canCreateFolders = true});
        EXPECT_TRUE(question.contains(QStringLiteral("notes.md.txt"))) << question.toStdString();
        if (replace)
            EXPECT_EQ(chosen, existing);
        else
            EXPECT_EQ(chosen, std::nullopt);
    }
}

} // namespace
} // namespace quorvel::platform
