// The overview, the verdict banner and the "Checking against" pop-up, driven
// through the real widgets of the real windows, as a user would.
#include "app/InspectorFixture.h"
#include "app/SettingPicker.h"
#include "app/overview/BatchMeasurer.h"
#include "app/overview/BatchModel.h"
#include "app/overview/MeasureStore.h"
#include "app/overview/ThumbnailMaker.h"
#include "settings/PrefManager.h"

#include "ui_DeleteSettingSheet.h"
#include "ui_SettingNameSheet.h"

#include "platform/header/ImageFileReader.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <atomic>

namespace quorvel::test {
namespace {

class Overview : public InspectorFixture {
protected:
    void SetUp() override
    {
        InspectorFixture::SetUp();
        prefManager = std::make_unique<PrefManager>(defaults, preferences.get(), notifications.get(), &panels);
        prefManager->awakeFromNib();
        picker = std::make_unique<SettingPicker>(ui()->checkingAgainst, prefs()->mioPopUp, prefManager.get());
        mainWindow->resize(900, 600);
        mainWindow->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));

        // Against "Pre-Press" (CMYK, 300 dpi): one passes, two fail, one cannot be read.
        photo = image(QStringLiteral("c-photo.jpg"), {.height = 30, .model = Model::RGB, .dpi = 300});
        web = image(QStringLiteral("a-web.png"), {.height = 20, .model = Model::RGB, .dpi = 72});
        notes = dir.filePath(QStringLiteral("d-notes.png"));
        QFile file(notes);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not an image\n");
        file.close();
        print = image(QStringLiteral("b-print.tif"),
                      {.height = 10, .model = Model::CMYK, .dpi = 300, .unit = ResolutionUnitForTest::Inch});
    }
    void TearDown() override
    {
        picker.reset();
        prefManager.reset();
        InspectorFixture::TearDown();
    }

    // Drops the batch and waits until every row has its measure.
    void dropBatch()
    {
        info->createFromDragAndDrop({photo, web, notes, print});
        QTRY_COMPARE(info->overview()->counts().pending, 0);
        ui()->tabelleVista->setCurrentIndex(0);
    }
    // Steps through a pop-up with the arrow keys until it shows `name`; each
    // step is a pick, as when a user does the same.
    static void pickWithKeys(QComboBox* popUp, const QString& name)
    {
        popUp->setFocus();
        const int target = popUp->findText(name);
        ASSERT_GE(target, 0) << name.toStdString();
        while (popUp->currentIndex() != target) {
            const int before = popUp->currentIndex();
            QTest::keyClick(popUp, before < target ? Qt::Key_Down : Qt::Key_Up);
            ASSERT_NE(popUp->currentIndex(), before);
        }
    }
    QTableView* table() const { return ui()->overviewTable; }
    QAbstractItemModel* rows() const { return table()->model(); }
    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < rows()->rowCount(); ++row)
            texts << rows()->index(row, column).data().toString();
        return texts;
    }
    int rowOf(const QString& name) const { return static_cast<int>(column(BatchModel::NameColumn).indexOf(name)); }
    QString cell(const QString& name, int column) const
    {
        return rows()->index(rowOf(name), column).data().toString();
    }
    void clickHeader(int column)
    {
        QHeaderView* header = table()->horizontalHeader();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    QPoint centreOf(int row) const
    {
        return table()->visualRect(rows()->index(row, BatchModel::NameColumn)).center();
    }

    std::unique_ptr<PrefManager> prefManager;
    std::unique_ptr<SettingPicker> picker;
    QString photo, web, notes, print;
};

TEST_F(Overview, SortsByClickedColumnsAndFiltersByWhatTheUserShows)
{
    EXPECT_EQ(ui()->overviewPages->currentWidget(), ui()->welcomePage) << "an empty batch keeps the invitation";
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    dropBatch();
    EXPECT_EQ(ui()->overviewPages->currentWidget(), ui()->batchPage);
    QTRY_COMPARE(ui()->batchSummary->text(),
                 QStringLiteral("4 images: 1 pass, 2 fail, 1 unreadable, checked against Pre-Press (CMYK, 300 dpi)"));

    // Batch order until a header is clicked.
    EXPECT_EQ(column(BatchModel::NameColumn),
              QStringList({"c-photo.jpg", "a-web.png", "d-notes.png", "b-print.tif"}));
    EXPECT_EQ(column(BatchModel::VerdictColumn),
              QStringList({"Fails: colour", "Fails: colour, dpi", "Unreadable", "Passes"}));
    EXPECT_EQ(cell("a-web.png", BatchModel::SizeColumn), QStringLiteral("16 × 20"));
    // Failing values take the failing colour; the others the view's own.
    const auto red = [&](const QString& name, int column) {
        return rows()->index(rowOf(name), column).data(Qt::ForegroundRole).isValid();
    };
    EXPECT_TRUE(red("a-web.png", BatchModel::DpiColumn));
    EXPECT_TRUE(red("c-photo.jpg", BatchModel::ColourColumn));
    EXPECT_FALSE(red("c-photo.jpg", BatchModel::DpiColumn));
    EXPECT_FALSE(red("b-print.tif", BatchModel::VerdictColumn));

    clickHeader(BatchModel::NameColumn);
    EXPECT_EQ(column(BatchModel::NameColumn),
              QStringList({"a-web.png", "b-print.tif", "c-photo.jpg", "d-notes.png"}));
    clickHeader(BatchModel::DpiColumn);
    EXPECT_EQ(column(BatchModel::DpiColumn), QStringList({"", "72", "300", "300"})) << "numbers, not texts";
    clickHeader(BatchModel::DpiColumn);
    EXPECT_EQ(column(BatchModel::DpiColumn), QStringList({"300", "300", "72", ""}));
    clickHeader(BatchModel::VerdictColumn);
    EXPECT_EQ(column(BatchModel::NameColumn),
              QStringList({"b-print.tif", "c-photo.jpg", "a-web.png", "d-notes.png"}));

    QComboBox* show = ui()->overviewFilter;
    show->setFocus();
    QTest::keyClick(show, Qt::Key_Down);
    EXPECT_EQ(show->currentText(), QStringLiteral("Failing"));
    EXPECT_EQ(column(BatchModel::NameColumn), QStringList({"c-photo.jpg", "a-web.png", "d-notes.png"}));
    QTest::keyClick(show, Qt::Key_Down);
    EXPECT_EQ(column(BatchModel::NameColumn), QStringList({"b-print.tif"}));
    QTest::keyClick(show, Qt::Key_Up);
    QTest::keyClick(show, Qt::Key_Up);
    EXPECT_EQ(rows()->rowCount(), 4);
}

TEST_F(Overview, ActivatingARowInspectsThatFileAndTheCounterFollows)
{
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    dropBatch();
    clickHeader(BatchModel::NameColumn); // rows no longer in batch order

    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, centreOf(rowOf("b-print.tif")));
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 1);
    EXPECT_EQ(info->contatore(), 3);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("4/4"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("b-print.tif"));
    EXPECT_EQ(ui()->quorColor->text(), QStringLiteral("CMYK"));
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Passes Pre-Press"));

    ui()->tabelleVista->setCurrentIndex(0);
    // A double-click: the first click, then the second one that the system reports as double.
    const QPoint webRow = centreOf(rowOf("a-web.png"));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, webRow);
    QTest::mouseDClick(table()->viewport(), Qt::LeftButton, {}, webRow);
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 1);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("2/4"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("a-web.png"));
    EXPECT_EQ(ui()->verdictBanner->text(),
              QStringLiteral("Fails Pre-Press: colour space RGB, needs CMYK; 72 dpi, needs 300"));

    // Stepping goes on from the activated file.
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("3/4"));
    EXPECT_TRUE(ui()->verdictBanner->text().startsWith(QStringLiteral("Unreadable: ")));
    EXPECT_GT(ui()->verdictBanner->text().size(), QStringLiteral("Unreadable: ").size());
    EXPECT_EQ(rows()->index(table()->currentIndex().row(), BatchModel::NameColumn).data().toString(),
              QStringLiteral("d-notes.png"))
        << "the overview marks the file under inspection";
}

TEST_F(Overview, APickInTheMainWindowIsAPickInThePreferencesAndRejudgesWithoutReading)
{
    QComboBox* mainPopUp = ui()->checkingAgainst;
    QComboBox* prefsPopUp = prefs()->mioPopUp;
    EXPECT_EQ(mainPopUp->count(), prefsPopUp->count());
    EXPECT_EQ(mainPopUp->currentIndex(), -1);

    dropBatch();
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("No setting picked: choose one above"));
    EXPECT_EQ(ui()->batchSummary->text(), QStringLiteral("4 images, no setting picked: choose one above"));

    pickWithKeys(mainPopUp, QStringLiteral("Pre-Press"));
    EXPECT_EQ(prefsPopUp->currentText(), QStringLiteral("Pre-Press"));
    EXPECT_EQ(prefs()->laMatriceRows->checkedId(), 0);
    QTRY_COMPARE(ui()->verdictBanner->text(), QStringLiteral("Fails Pre-Press: colour space RGB, needs CMYK"));
    EXPECT_EQ(cell("b-print.tif", BatchModel::VerdictColumn), QStringLiteral("Passes"));

    // Every file but the current one goes away: the rows are judged again
    // from what was measured, not read again.
    for (const QString& gone : {web, notes, print})
        ASSERT_TRUE(QFile::remove(gone));
    pickWithKeys(mainPopUp, QStringLiteral("Web"));
    EXPECT_EQ(prefsPopUp->currentText(), QStringLiteral("Web"));
    QTRY_COMPARE(ui()->verdictBanner->text(), QStringLiteral("Passes Web"));
    EXPECT_EQ(cell("b-print.tif", BatchModel::VerdictColumn), QStringLiteral("Fails: colour"));
    EXPECT_EQ(cell("a-web.png", BatchModel::VerdictColumn), QStringLiteral("Passes"));
    EXPECT_EQ(cell("d-notes.png", BatchModel::VerdictColumn), QStringLiteral("Unreadable"));
    EXPECT_EQ(ui()->batchSummary->text(),
              QStringLiteral("4 images: 2 pass, 1 fail, 1 unreadable, checked against Web (RGB, 72 dpi)"));

    // The other way round: a pick, an add and a delete in the preferences
    // window show in the main window's pop-up.
    pickWithKeys(prefsPopUp, QStringLiteral("None"));
    EXPECT_EQ(mainPopUp->currentText(), QStringLiteral("None"));
    QTRY_COMPARE(ui()->verdictBanner->text(), QStringLiteral("No demands: every image passes None"));
    prefManager->openSetNamePanel();
    prefManager->nameSheetForm()->givenName->setText(QStringLiteral("Mine"));
    QTest::mouseClick(prefManager->nameSheetForm()->confirmButton, Qt::LeftButton);
    EXPECT_EQ(mainPopUp->itemText(mainPopUp->count() - 1), QStringLiteral("Mine"));
    EXPECT_EQ(mainPopUp->currentText(), QStringLiteral("Mine"));
    prefManager->openAlertPanel();
    prefManager->yesDeleteSelectedPref();
    EXPECT_EQ(mainPopUp->findText(QStringLiteral("Mine")), -1);
    EXPECT_EQ(mainPopUp->currentIndex(), prefsPopUp->currentIndex());
}

TEST_F(Overview, UntilASettingIsPickedRowsShowTheirMeasureWithNoVerdict)
{
    dropBatch();
    EXPECT_EQ(ui()->batchSummary->text(), QStringLiteral("4 images, no setting picked: choose one above"));
    EXPECT_EQ(column(BatchModel::VerdictColumn), QStringList({"", "", "Unreadable", ""}));
    EXPECT_EQ(cell("a-web.png", BatchModel::DpiColumn), QStringLiteral("72"));
    for (int row = 0; row < rows()->rowCount(); ++row) {
        for (int col = 0; col < BatchModel::ColumnCount; ++col)
            EXPECT_FALSE(rows()->index(row, col).data(Qt::ForegroundRole).isValid()) << "nothing red: " << row << "," << col;
    }
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("No setting picked: choose one above"));

    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Web"));
    QTRY_COMPARE(ui()->batchSummary->text(),
                 QStringLiteral("4 images: 2 pass, 1 fail, 1 unreadable, checked against Web (RGB, 72 dpi)"));
    EXPECT_EQ(column(BatchModel::VerdictColumn), QStringList({"Passes", "Passes", "Unreadable", "Fails: colour"}));
}

TEST_F(Overview, EachFileIsReadOnceABatchAndAgainOnlyWhenItChanges)
{
    // A modification time that a file time can give back exactly.
    const QDateTime written = QDateTime::fromSecsSinceEpoch(1700000000);
    QFile file(web);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    dropBatch();
    const MeasureStore* measures = info->measures();
    ASSERT_NE(measures, nullptr);
    // The inspector's check of the first file and the overview's row share one read.
    for (const QString& path : {photo, web, notes, print})
        EXPECT_EQ(measures->reads(path), 1) << path.toStdString();

    // Steps, re-checks and other settings judge what was read.
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Web"));
    QTest::mouseClick(ui()->prevButton, Qt::LeftButton);
    QTRY_COMPARE(ui()->verdictBanner->text(), QStringLiteral("Passes Web"));
    for (const QString& path : {photo, web, notes, print})
        EXPECT_EQ(measures->reads(path), 1) << path.toStdString();

    // Rewritten in place with the same size and time: still the stored measure.
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const qint64 size = file.size();
    ASSERT_TRUE(file.write(QByteArray(size, 'x')) == size);
    ASSERT_TRUE(file.flush());
    ASSERT_TRUE(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    QTest::mouseClick(ui()->prevButton, Qt::LeftButton);
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Passes Web"));
    EXPECT_EQ(measures->reads(web), 1);

    // A new modification time is a new file: read again.
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(written.addSecs(60), QFileDevice::FileModificationTime));
    file.close();
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    QTest::mouseClick(ui()->prevButton, Qt::LeftButton);
    EXPECT_EQ(measures->reads(web), 2);
    EXPECT_TRUE(ui()->verdictBanner->text().startsWith(QStringLiteral("Unreadable: ")))
        << ui()->verdictBanner->text().toStdString();
}

TEST_F(Overview, ARecheckLeavesTheUsersPlaceInTheTable)
{
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    dropBatch();
    const int notesRow = rowOf("d-notes.png");
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, centreOf(notesRow));
    ASSERT_EQ(table()->currentIndex().row(), notesRow);

    // A change of setting here, then one that another copy would broadcast.
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Web"));
    QTRY_COMPARE(ui()->verdictBanner->text(), QStringLiteral("Passes Web"));
    notifications->post(QStringLiteral("cambiamento"));
    ASSERT_TRUE(deliverPosts());
    EXPECT_EQ(table()->currentIndex().row(), notesRow);
    EXPECT_EQ(table()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(table()->selectionModel()->selectedRows().value(0).row(), notesRow);

    // A change of the current image does move it.
    info->nextImage();
    EXPECT_EQ(rows()->index(table()->currentIndex().row(), BatchModel::NameColumn).data().toString(),
              QStringLiteral("a-web.png"));
}

TEST_F(Overview, ADeleteInThePreferencesShowsEverywhereAtOnce)
{
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pencil"));
    dropBatch();
    QTRY_COMPARE(ui()->batchSummary->text(),
                 QStringLiteral("4 images: 0 pass, 3 fail, 1 unreadable, checked against Pencil (Grayscale, 600 dpi)"));
    EXPECT_EQ(cell("c-photo.jpg", BatchModel::VerdictColumn), QStringLiteral("Fails: colour, dpi"));

    // The user deletes the setting through its sheet.
    prefs()->deleteButton->click();
    QTest::mouseClick(prefManager->deleteSheetForm()->confirmButton, Qt::LeftButton);
    ASSERT_EQ(prefs()->mioPopUp->currentText(), QStringLiteral("None"));

    // The controls keep 600 dpi with the colour check off: every view says that.
    QTRY_COMPARE(ui()->batchSummary->text(),
                 QStringLiteral("4 images: 0 pass, 3 fail, 1 unreadable, checked against None (any colour space, 600 dpi)"));
    EXPECT_EQ(ui()->checkingAgainst->currentText(), QStringLiteral("None"));
    EXPECT_EQ(cell("c-photo.jpg", BatchModel::VerdictColumn), QStringLiteral("Fails: dpi"));
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Fails None: 300 dpi, needs 600"));
}

TEST_F(Overview, UnreadableFilesSayWhyInTheirOwnWords)
{
    const QString folder = dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString missing = dir.filePath(QStringLiteral("never-there.png"));
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    info->createFromDragAndDrop({folder, missing, photo});
    QTRY_COMPARE(info->overview()->counts().pending, 0);

    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Unreadable: a folder, not an image"));
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Unreadable: not found"));
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Fails Pre-Press: colour space RGB, needs CMYK"));

    // Read, then gone: that file is no longer there.
    ASSERT_TRUE(QFile::remove(photo));
    QTest::mouseClick(ui()->prevButton, Qt::LeftButton);
    QTest::mouseClick(ui()->nextButton, Qt::LeftButton);
    EXPECT_EQ(ui()->verdictBanner->text(), QStringLiteral("Unreadable: no longer there"));
}

// The step keys of the window step the inspector; in the table they are the table's.
class OverviewKeys : public Overview {
protected:
    void SetUp() override
    {
        Overview::SetUp();
        mainWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow.get()));
    }
};

TEST_F(OverviewKeys, ArrowAndPageKeysInTheTableMoveTheTableNotTheInspector)
{
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    dropBatch();
    table()->setFocus();
    ASSERT_EQ(table()->currentIndex().row(), 0);
    for (Qt::Key key : {Qt::Key_PageDown, Qt::Key_Right, Qt::Key_Down}) {
        QTest::keyClick(table(), key);
        EXPECT_EQ(info->contatore(), 0) << QTest::toString(QKeySequence(key));
    }
    EXPECT_EQ(table()->currentIndex().row(), 3) << "paged to the end of the four rows";
    QTest::keyClick(table(), Qt::Key_Up);
    EXPECT_EQ(table()->currentIndex().row(), 2);
    EXPECT_EQ(info->contatore(), 0);

    // From the inspector the same keys step the batch.
    ui()->tabelleVista->setCurrentIndex(1);
    ui()->namesLocation->setFocus();
    QTest::keyClick(ui()->namesLocation, Qt::Key_PageDown);
    EXPECT_EQ(info->contatore(), 1);
    QTest::keyClick(ui()->namesLocation, Qt::Key_Right);
    EXPECT_EQ(info->contatore(), 2);
}

TEST(Thumbnails, ANewBatchsThumbnailsStartAtOnceAndTheOldOnesAreDropped)
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("old.png"));
    const QString fresh = dir.filePath(QStringLiteral("fresh.png"));
    ASSERT_TRUE(writeTestImage(old, {.height = 400}));
    ASSERT_TRUE(writeTestImage(fresh, {.height = 30}));

    ThumbnailMaker maker(QSize(40, 40));
    QList<int> ready;
    QObject::connect(&maker, &ThumbnailMaker::ready, [&](int row) { ready << row; });
    EXPECT_FALSE(maker.thumbnail(7, old).has_value());
    maker.reset();
    // The old batch's job may still run: the new batch's does not wait for it.
    EXPECT_FALSE(maker.thumbnail(0, fresh).has_value());
    EXPECT_EQ(maker.waiting(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !ready.isEmpty(); }, 20000));
    EXPECT_TRUE(maker.thumbnail(0, fresh).has_value());
    maker.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ready.contains(7)) << "nothing of the old batch reaches the new one";
}

TEST_F(Overview, PrintChecksShowInTheVerdictsTheBannerAndTheOptionalColumns)
{
    // A setting with print checks, made in the preferences window and picked
    // from the tool bar.
    pickWithKeys(prefs()->mioPopUp, QStringLiteral("Pre-Press"));
    prefs()->printSizeCheck->click();
    QLineEdit* size = prefs()->printSizeBox->lineEdit();
    size->selectAll();
    QTest::keyClicks(size, QStringLiteral("1x1mm"));
    QTest::keyClick(size, Qt::Key_Return);
    prefs()->profileCheck->click();
    prefManager->openSetNamePanel();
    QTest::keyClicks(prefManager->nameSheetForm()->givenName, QStringLiteral("Magazine"));
    QTest::mouseClick(prefManager->nameSheetForm()->confirmButton, Qt::LeftButton);
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Web"));

    dropBatch();
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Magazine"));
    // 1 x 1 mm + 3 mm bleed is 83 x 83 px at 300 dpi; no file has a profile.
    QTRY_COMPARE(ui()->verdictBanner->text(),
                 QStringLiteral("Fails Magazine: colour space RGB, needs CMYK; print size: needs 83 x 83 px for "
                                "1 x 1 mm + 3 mm bleed at 300 dpi, has 16 x 30; profile: no embedded profile"));
    EXPECT_EQ(cell("b-print.tif", BatchModel::VerdictColumn), QStringLiteral("Fails: print size, profile"));
    EXPECT_EQ(cell("c-photo.jpg", BatchModel::VerdictColumn), QStringLiteral("Fails: colour, print size, profile"));
    EXPECT_EQ(cell("d-notes.png", BatchModel::VerdictColumn), QStringLiteral("Unreadable"));

    // The optional columns start hidden; the header's menu shows them.
    QHeaderView* header = table()->horizontalHeader();
    for (int c = BatchModel::firstOptionalColumn; c < BatchModel::ColumnCount; ++c)
        EXPECT_TRUE(header->isSectionHidden(c)) << c;
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(10, header->height() / 2),
                              header->viewport()->mapToGlobal(QPoint(10, header->height() / 2)));
    QApplication::sendEvent(header->viewport(), &request);
    QMenu* menu = header->findChild<QMenu*>(QStringLiteral("overviewColumnsMenu"));
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Print size"), QStringLiteral("Total ink"), QStringLiteral("Profile"),
                                   QStringLiteral("Alpha")}));
    menu->actions().at(2)->trigger();
    menu->close();
    EXPECT_FALSE(header->isSectionHidden(BatchModel::ProfileColumn));
    EXPECT_TRUE(header->isSectionHidden(BatchModel::PrintSizeColumn));
    EXPECT_EQ(cell("b-print.tif", BatchModel::ProfileColumn), QStringLiteral("none"));
    EXPECT_EQ(cell("a-web.png", BatchModel::AlphaColumn), QStringLiteral("no"));
    // 16 x 10 px at 300 dpi.
    EXPECT_EQ(cell("b-print.tif", BatchModel::PrintSizeColumn), QStringLiteral("1.4 × 0.8 mm"));
    const QModelIndex failing = rows()->index(rowOf(QStringLiteral("b-print.tif")), BatchModel::ProfileColumn);
    EXPECT_TRUE(failing.data(Qt::ForegroundRole).isValid()) << "a failing check is red";
    EXPECT_FALSE(rows()->index(rowOf(QStringLiteral("b-print.tif")), BatchModel::AlphaColumn).data(Qt::ForegroundRole).isValid());

    // Back to a setting without checks: the verdicts are as before.
    pickWithKeys(ui()->checkingAgainst, QStringLiteral("Pre-Press"));
    QTRY_COMPARE(cell("b-print.tif", BatchModel::VerdictColumn), QStringLiteral("Passes"));
}

// Reads headers as the program does and answers every ink request with a
// known histogram, counting the requests.
class InkAnsweringReader : public ImageHeaderReader {
public:
    explicit InkAnsweringReader(uint64_t darkPixels) : m_dark(darkPixels) {}
    ImageHeader readHeader(const std::string& path) const override { return m_files.readHeader(path); }
    ImageHeader readHeaderAndDetails(const std::string& path, ImageDetails& details) const override
    {
        return m_files.readHeaderAndDetails(path, details);
    }
    std::optional<InkStatistics> readInk(const std::string&) const override
    {
        ++requests;
        std::array<uint64_t, InkStatistics::binCount> bins{};
        bins[4 * 1020] = m_dark; // 400 %
        bins[0] = 100000;
        return InkStatistics::fromHistogram(bins);
    }
    mutable std::atomic<int> requests{0};

private:
    platform::ImageFileReader m_files;
    uint64_t m_dark;
};

TEST_F(Overview, TotalInkIsReadInTheBackgroundForCmykRowsOnlyWhileALimitIsApplied)
{
    // 300 dpi: one pixel is 0.00717 mm²; 1000 of them are 7.2 mm².
    InkAnsweringReader reader(1000);
    BatchModel model;
    RuleControls rules{0, true, 300};
    model.setRules(rules);
    model.setBatch({photo, print, notes}, std::make_shared<MeasureStore>(reader));
    QTRY_COMPARE(model.counts().pending, 0);
    model.measurer()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(reader.requests.load(), 0) << "no limit, no ink read";
    EXPECT_EQ(model.index(1, BatchModel::InkColumn).data().toString(), QString());

    rules.demands.inkLimitPercent = 300;
    model.setRules(rules);
    QTRY_COMPARE(model.index(1, BatchModel::VerdictColumn).data().toString(), QStringLiteral("Fails: ink"));
    EXPECT_EQ(reader.requests.load(), 1) << "the CMYK file only";
    EXPECT_EQ(model.index(1, BatchModel::InkColumn).data().toString(), QStringLiteral("400 %"));
    EXPECT_TRUE(model.index(1, BatchModel::InkColumn).data(Qt::ForegroundRole).isValid());
    EXPECT_EQ(model.counts().fail, 2); // the RGB photo fails its colour

    // A wider tolerance judges the same ink again without reading it again.
    rules.demands.inkToleranceMm2 = 10.0;
    model.setRules(rules);
    EXPECT_EQ(model.index(1, BatchModel::VerdictColumn).data().toString(), QStringLiteral("Passes"));
    model.measurer()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(reader.requests.load(), 1);
    model.stop();
}

} // namespace
} // namespace quorvel::test
