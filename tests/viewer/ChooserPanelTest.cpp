// The application chooser as the toolkit shows it, answered by typing into it.
#include "platform/Panels.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

class Chooser : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QFile entry(dir.filePath(QStringLiteral("Image Tool.desktop")));
        ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
        entry.close();
        ASSERT_TRUE(QFile::link(entry.fileName(), dir.filePath(QStringLiteral("linked.desktop"))));
        window.show();
    }
    // Answers the dialog with `name`, or cancels it when `name` is empty.
    std::optional<QString> choose(const QString& name)
    {
        QTimer::singleShot(0, [&] {
            // The dialog sits on the window it is modal to.
            auto* dialog = window.findChild<QFileDialog*>();
            ASSERT_NE(dialog, nullptr);
            seen = dialog;
            modality = dialog->windowModality();
            directory = dialog->directory().absolutePath();
            prompt = dialog->labelText(QFileDialog::Accept);
            filter = dialog->selectedNameFilter();
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(name);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const platform::Panels::ApplicationRequest request{
            .title = QStringLiteral("Choose Viewer"),
            .prompt = QStringLiteral("Select"),
            .nameFilters = {QStringLiteral("Applications (*.desktop)"), QStringLiteral("All files (*)")},
            .startDirectory = dir.path(),
            .places = {dir.path()}};
        return panels.chooseApplication(&window, request);
    }

    QTemporaryDir dir;
    QWidget window;
    platform::QtPanels panels;
    QFileDialog* seen = nullptr;
    Qt::WindowModality modality = Qt::NonModal;
    QString directory, prompt, filter;
};

TEST_F(Chooser, IsModalToTheWindowAndKeepsLinks)
{
    EXPECT_EQ(choose(QStringLiteral("linked.desktop")), dir.filePath(QStringLiteral("linked.desktop")));
    ASSERT_NE(seen, nullptr);
    EXPECT_EQ(modality, Qt::WindowModal);
    EXPECT_EQ(directory, dir.path());
    EXPECT_EQ(prompt, QStringLiteral("Select"));
    EXPECT_EQ(filter, QStringLiteral("Applications (*.desktop)"));
}

TEST_F(Chooser, CancellingChoosesNothing)
{
    EXPECT_EQ(choose(QString()), std::nullopt);
    EXPECT_NE(seen, nullptr);
}

} // namespace
} // namespace quorvel::test
