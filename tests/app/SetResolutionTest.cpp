// Set Resolution from the window: the sheet on selected overview rows,
// driven through the real widgets, and the rows it shows.
#include "app/InspectorFixture.h"
#include "app/overview/BatchModel.h"
#include "app/setdpi/SetResolutionRows.h"
#include "app/setdpi/SetResolutionSheet.h"

#include "ui_SetResolutionSheet.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace quorvel::test {
namespace {

using platform::write::SetDpiRefusal;

class SetResolution : public InspectorFixture {
protected:
    void SetUp() override
    {
        InspectorFixture::SetUp();
        mainWindow->resize(900, 600);
        mainWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
        setControls(1, true, 300); // RGB, 300 dpi
        first = image(QStringLiteral("a-photo.jpg"), {.width = 360, .height = 240, .model = Model::RGB, .dpi = 72});
        second = image(QStringLiteral("b-photo.jpg"), {.width = 36, .height = 24, .model = Model::RGB, .dpi = 72});
        third = image(QStringLiteral("c-photo.jpg"), {.width = 36, .height = 24, .model = Model::RGB, .dpi = 72});
        info->createFromDragAndDrop({first, second, third});
        QTRY_COMPARE(info->overview()->counts().pending, 0);
        ui()->tabelleVista->setCurrentIndex(0);
    }

    QTableView* table() const { return ui()->overviewTable; }
    QStringList names() const
    {
        QStringList texts;
        for (int row = 0; row < table()->model()->rowCount(); ++row)
            texts << table()->model()->index(row, BatchModel::NameColumn).data().toString();
        return texts;
    }
    QString dpiShown(int row) const { return table()->model()->index(row, BatchModel::DpiColumn).data().toString(); }

    // A click on the first row, then Shift+Down takes the second too.
    void selectFirstTwoRows()
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                          table()->visualRect(table()->model()->index(0, BatchModel::NameColumn)).center());
        QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
        ASSERT_EQ(table()->selectionModel()->selectedRows().size(), 2);
    }

    // The overview's context menu, opened by a right click, and its action picked with the keys.
    SetResolutionSheet* openSheetFromContextMenu()
    {
        bool picked = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || picked)
                return;
            picked = true;
            menu->setActiveAction(ui()->setResolutionAction);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        poll.start(10);
        const QPoint at = table()->visualRect(table()->model()->index(1, BatchModel::NameColumn)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, table()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table()->viewport(), &event);
        poll.stop();
        EXPECT_TRUE(picked);
        return mainWindow->findChild<SetResolutionSheet*>();
    }

    QString first, second, third;
};

using SetResolutionAction = InspectorFixture;

// Files opened from the desktop are a batch like dropped ones: the Image
// menu offers the action for them at once.
TEST_F(SetResolutionAction, IsOfferedForFilesOpenedFromTheDesktop)
{
    EXPECT_FALSE(ui()->setResolutionAction->isEnabled());
    info->applicationOpenFiles(
        {image(QStringLiteral("opened.jpg"), {.width = 36, .height = 24, .model = Model::RGB, .dpi = 72})});
    EXPECT_TRUE(ui()->setResolutionAction->isEnabled());
}

TEST_F(SetResolution, TwoSelectedRowsGetCopiesThatJoinTheBatch)
{
    selectFirstTwoRows();
    SetResolutionSheet* sheet = openSheetFromContextMenu();
    ASSERT_NE(sheet, nullptr);
    QTRY_VERIFY(sheet->isVisible());
    Ui::SetResolutionSheet* form = sheet->form();
    ASSERT_EQ(form->rowsTable->rowCount(), 2);
    EXPECT_EQ(form->dpiSpin->value(), 300); // the setting's demand
    EXPECT_EQ(form->rowsTable->item(0, 1)->text(), QStringLiteral("72"));
    EXPECT_EQ(form->rowsTable->item(0, 3)->text(), QStringLiteral("30.5 × 20.3 mm (1.20 × 0.80 in)"));

    // A lower dpi would still fail the setting: the sheet says so.
    form->dpiSpin->setFocus();
    form->dpiSpin->selectAll();
    QTest::keyClicks(form->dpiSpin, QStringLiteral("150"));
    EXPECT_EQ(form->rowsTable->item(1, 2)->text(), QStringLiteral("150"));
    EXPECT_FALSE(form->rowsTable->item(1, 4)->text().isEmpty());
    form->dpiSpin->selectAll();
    QTest::keyClicks(form->dpiSpin, QStringLiteral("300"));
    EXPECT_TRUE(form->rowsTable->item(1, 4)->text().isEmpty());

    QTest::mouseClick(form->setButton, Qt::LeftButton);
    QTRY_COMPARE(names(), (QStringList {QStringLiteral("a-photo.jpg"), QStringLiteral("a-photo (300 dpi).jpg"),
                                        QStringLiteral("b-photo.jpg"), QStringLiteral("b-photo (300 dpi).jpg"),
                                        QStringLiteral("c-photo.jpg")}));
    QTRY_COMPARE(info->overview()->counts().pending, 0);
    EXPECT_EQ(dpiShown(1), QStringLiteral("300"));
    EXPECT_EQ(dpiShown(3), QStringLiteral("300"));
    EXPECT_EQ(dpiShown(0), QStringLiteral("72"));
    EXPECT_EQ(form->progressBar->value(), 2);
    QTest::mouseClick(form->cancelButton, Qt::LeftButton); // now "Close"
    QTRY_VERIFY(mainWindow->findChild<SetResolutionSheet*>() == nullptr);
}

TEST_F(SetResolution, ReplacingOriginalsAsksFirstNamingTheCount)
{
    selectFirstTwoRows();
    const QByteArray before = [this] {
        QFile f(first);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    ui()->setResolutionAction->trigger();
    auto* sheet = mainWindow->findChild<SetResolutionSheet*>();
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->form()->replaceRadio, Qt::LeftButton);
    QTest::mouseClick(sheet->form()->backupCheck, Qt::LeftButton);

    panels.alertAnswer = false; // the user thinks again
    QTest::mouseClick(sheet->form()->setButton, Qt::LeftButton);
    ASSERT_EQ(panels.alerts.size(), 1);
    EXPECT_TRUE(panels.alerts.front().text.contains(QLatin1String("2"))) << panels.alerts.front().text.toStdString();
    EXPECT_FALSE(sheet->isWriting());
    QFile unchanged(first);
    ASSERT_TRUE(unchanged.open(QIODevice::ReadOnly));
    EXPECT_EQ(unchanged.readAll(), before);

    panels.alertAnswer = true;
    QTest::mouseClick(sheet->form()->setButton, Qt::LeftButton);
    QTRY_COMPARE(sheet->form()->progressBar->value(), 2);
    QTRY_COMPARE(info->overview()->counts().pending, 0);
    EXPECT_EQ(names().size(), 3); // replaced rows, no new ones
    QTRY_COMPARE(dpiShown(0), QStringLiteral("300"));
    EXPECT_EQ(dpiShown(1), QStringLiteral("300"));
    EXPECT_EQ(dpiShown(2), QStringLiteral("72"));
    EXPECT_TRUE(QFile::exists(first + QLatin1Char('~')));
}

// Cancel stops before the next file: the one being written is finished.
TEST_F(SetResolution, CancelStopsBeforeTheNextFile)
{
    selectFirstTwoRows();
    ui()->setResolutionAction->trigger();
    auto* sheet = mainWindow->findChild<SetResolutionSheet*>();
    ASSERT_NE(sheet, nullptr);
    QTest::mouseClick(sheet->form()->setButton, Qt::LeftButton);
    ASSERT_TRUE(sheet->isWriting());
    QTest::mouseClick(sheet->form()->cancelButton, Qt::LeftButton);
    QTRY_VERIFY(!sheet->isWriting());
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("a-photo (300 dpi).jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("b-photo (300 dpi).jpg"))));
    EXPECT_EQ(sheet->form()->rowsTable->item(1, 4)->text(), QStringLiteral("cancelled: not written"));
    QTRY_COMPARE(names().size(), 4);
}

TEST(SetResolutionRows, FlagsWhatStillFailsAndWhatCannotBeSet)
{
    ImageRecord cmyk;
    cmyk.readable = true;
    cmyk.measure.pixelsWide = 3600;
    cmyk.measure.pixelsHigh = 2400;
    cmyk.measure.colourClass = ColourClass::CMYK;
    cmyk.measuredDpi = 72;
    ImageRecord rgb = cmyk;
    rgb.measure.colourClass = ColourClass::RGB;
    ImageRecord unreadable;

    const RuleControls prePress {0, true, 300};
    struct Case {
        const char* name;
        const ImageRecord& record;
        int dpi;
        SetDpiRefusal format;
        bool stillFails;
        SetDpiRefusal refusal;
        QString printSize;
    };
    const Case cases[] = {
        {"Fixed", cmyk, 300, SetDpiRefusal::None, false, SetDpiRefusal::None,
         QStringLiteral("304.8 × 203.2 mm (12.00 × 8.00 in)")},
        {"TooLow", cmyk, 299, SetDpiRefusal::None, true, SetDpiRefusal::None,
         QStringLiteral("305.8 × 203.9 mm (12.04 × 8.03 in)")},
        {"WrongColour", rgb, 300, SetDpiRefusal::None, true, SetDpiRefusal::None,
         QStringLiteral("304.8 × 203.2 mm (12.00 × 8.00 in)")},
        {"Gif", cmyk, 300, SetDpiRefusal::NoResolutionField, true, SetDpiRefusal::NoResolutionField, QString()},
        {"Unreadable", unreadable, 300, SetDpiRefusal::None, false, SetDpiRefusal::Unreadable, QString()},
    };
    for (const Case& c : cases) {
        const setdpi::SetResolutionRow row = setdpi::resolutionRow(QStringLiteral("f"), c.record, c.dpi, prePress, c.format);
        EXPECT_EQ(row.stillFails, c.stillFails) << c.name;
        EXPECT_EQ(row.refusal, c.refusal) << c.name;
        EXPECT_EQ(setdpi::printSizeText(row), c.printSize) << c.name;
    }
    EXPECT_EQ(setdpi::proposedDpi(prePress), 300);
    EXPECT_EQ(setdpi::proposedDpi({0, true, 75}), 72);
    EXPECT_EQ(setdpi::proposedDpi({0, true, 0}), 300);
}

} // namespace
} // namespace quorvel::test
