#include "app/InspectorFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

namespace quorvel::test {
namespace {

class Batch : public InspectorFixture {
protected:
    QStringList images(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths << image(QStringLiteral("image %1.png").arg(i + 1), {.width = 10 + i});
        return paths;
    }
    void expectButtons(bool navigation, bool batch)
    {
        EXPECT_EQ(ui()->prevButton->isEnabled(), navigation);
        EXPECT_EQ(ui()->nextButton->isEnabled(), navigation);
        EXPECT_EQ(ui()->modifyButton->isEnabled(), batch);
        EXPECT_EQ(ui()->reportButton->isEnabled(), batch);
    }
};

enum class Entry { Drop, OpenWithApplication, OpenPanel };

std::string entryName(const ::testing::TestParamInfo<Entry>& param)
{
    switch (param.param) {
    case Entry::Drop: return "Drop";
    case Entry::OpenWithApplication: return "OpenWithApplication";
    case Entry::OpenPanel: return "OpenPanel";
    }
    return {};
}

class BatchEntries : public Batch, public ::testing::WithParamInterface<Entry> {
protected:
    // An empty list through the open panel is a cancel.
    void enter(const QStringList& files)
    {
        switch (GetParam()) {
        case Entry::Drop: info->createFromDragAndDrop(files); break;
        case Entry::OpenWithApplication: info->applicationOpenFiles(files); break;
        case Entry::OpenPanel:
            panels.filesToChoose = files;
            info->openImage();
            break;
        }
    }
};

TEST_P(BatchEntries, OneFileAfterSeveralHasNoCounterAndNoNavigation)
{
    enter(images(3));
    expectButtons(true, true);
    enter(images(1));
    expectButtons(false, true);
    EXPECT_EQ(ui()->myCount->text(), QString());
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 1.png"));
}

TEST_P(BatchEntries, ANewBatchReplacesTheOldOneAndStartsAtItsFirstFile)
{
    const QStringList five = images(5);
    enter(five);
    for (int i = 0; i < 4; ++i)
        info->nextImage();
    ASSERT_EQ(ui()->myCount->text(), QStringLiteral("5/5"));

    const QStringList two{five.at(3), five.at(1)};
    enter(two);
    EXPECT_EQ(info->nomideifiles(), two);
    EXPECT_EQ(info->totale(), 2);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/2"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 4.png"));
    expectButtons(true, true);
    info->prevImage();
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 2.png"));
}

TEST_P(BatchEntries, AnEmptyListChangesNothing)
{
    enter(images(3));
    info->nextImage();
    enter({});
    EXPECT_EQ(info->totale(), 3);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("2/3"));
}

TEST_P(BatchEntries, OnlyFilesOpenedWithTheApplicationLeaveTheTabView)
{
    ui()->tabelleVista->setCurrentIndex(0);
    enter(images(2));
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), GetParam() == Entry::OpenWithApplication ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(, BatchEntries, ::testing::Values(Entry::Drop, Entry::OpenWithApplication, Entry::OpenPanel),
                         entryName);

TEST_F(Batch, OpenPanelAsksForSeveralImagesOfTheReadableTypes)
{
    panels.filesToChoose = images(2);
    info->openImage();
    ASSERT_EQ(panels.openRequests.size(), 1);
    const platform::Panels::OpenRequest& request = panels.openRequests.constFirst();
    EXPECT_EQ(request.title, QStringLiteral("Choose"));
    EXPECT_EQ(request.prompt, QStringLiteral("Select"));
    EXPECT_TRUE(request.multiple);
    EXPECT_TRUE(request.startDirectory.isEmpty());
    ASSERT_EQ(request.nameFilters.size(), 1);
    const QStringList patterns = request.nameFilters.constFirst().section(QLatin1Char('('), 1).chopped(1).split(
        QLatin1Char(' '));
    // Both cases: a native dialog may match suffixes case-sensitively.
    EXPECT_TRUE(patterns.contains(QStringLiteral("*.png")));
    EXPECT_TRUE(patterns.contains(QStringLiteral("*.PNG")));
}

TEST_F(Batch, CancelledOpenPanelShowsTheInspectorTabAndKeepsTheBatch)
{
    const QStringList three = images(3);
    info->createFromDragAndDrop(three);
    info->nextImage();
    ui()->tabelleVista->setCurrentIndex(0);
    TraceRecorder traces;

    panels.filesToChoose.clear();
    info->openImage();
    EXPECT_EQ(panels.openRequests.size(), 1);
    EXPECT_EQ(ui()->tabelleVista->currentIndex(), 1);
    EXPECT_EQ(info->nomideifiles(), three);
    EXPECT_EQ(info->contatore(), 1);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("2/3"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 2.png"));
    EXPECT_TRUE(traces.lines().isEmpty()) << "no check ran";
}

TEST_F(Batch, OpenCommandAndStartButtonRunTheOpenPanel)
{
    ui()->openAction->trigger();
    ui()->openButton->click();
    EXPECT_EQ(panels.openRequests.size(), 2);
}

TEST_F(Batch, NextAndPreviousWrapAround)
{
    info->createFromDragAndDrop(images(3));
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/3"));
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        ui()->nextButton->click();
        seen << ui()->myCount->text();
    }
    EXPECT_EQ(seen, (QStringList{QStringLiteral("2/3"), QStringLiteral("3/3"), QStringLiteral("1/3")}));
    ui()->prevButton->click();
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("3/3"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 3.png"));
}


TEST_F(Batch, NavigationWithoutABatchDoesNothing)
{
    info->nextImage();
    info->prevImage();
    info->reCheckImage();
    EXPECT_FALSE(info->hasBatch());
    EXPECT_TRUE(ui()->myCount->text().isEmpty());
}

// The step keys, with the window active as the user has it.
class StepKeys : public Batch {
protected:
    void SetUp() override
    {
        Batch::SetUp();
        mainWindow->show();
        mainWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow.get()));
    }
};

TEST_F(StepKeys, ArrowAndPageKeysStepAlsoFromAReadOnlyField)
{
    info->applicationOpenFiles(images(3));
    ui()->namesLocation->setFocus();
    struct Step {
        QWidget* target;
        Qt::Key key;
        const char* counter;
    };
    const Step steps[] = {
        {ui()->namesLocation, Qt::Key_Right, "2/3"},
        {ui()->namesLocation, Qt::Key_PageDown, "3/3"},
        {ui()->quorHeight, Qt::Key_Right, "1/3"},
        {ui()->quorHeight, Qt::Key_Left, "3/3"},
        {mainWindow.get(), Qt::Key_PageUp, "2/3"},
        {ui()->tabelleVista, Qt::Key_Left, "1/3"},
    };
    for (const Step& step : steps) {
        QTest::keyClick(step.target, step.key);
        EXPECT_EQ(ui()->myCount->text(), QLatin1String(step.counter)) << QTest::toString(QKeySequence(step.key));
    }
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("image 1.png"));
}

TEST_F(StepKeys, ModifiedArrowsStayTheFieldsAndOneFileDoesNotStep)
{
    info->applicationOpenFiles(images(2));
    QTest::keyClick(ui()->namesLocation, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/2"));

    info->applicationOpenFiles(images(1));
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_PageDown, Qt::Key_PageUp})
        QTest::keyClick(mainWindow.get(), key);
    EXPECT_EQ(ui()->myCount->text(), QString());
    EXPECT_EQ(info->contatore(), 0);
}

// The menu commands' keys, pressed in the active main window.
TEST_F(StepKeys, CheckAgainKeyRechecksAndPreferencesKeyBringsTheWindowForward)
{
    setControls(1, true, 72);
    info->applicationOpenFiles({image(QStringLiteral("web.png"), {.model = Model::RGB, .dpi = 72})});
    ASSERT_FALSE(isRed(ui()->quorDpi));
    setControls(1, true, 300); // changed without telling anyone
    QTest::keyClick(mainWindow.get(), Qt::Key_F5);
    EXPECT_TRUE(isRed(ui()->quorDpi)) << "checked again";

    EXPECT_FALSE(preferences->isVisible());
    QTest::keySequence(mainWindow.get(), ui()->preferencesAction->shortcut());
    EXPECT_TRUE(preferences->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(preferences.get())) << "raised and given the keyboard";

    // Asked again while the main window is in front: forward again.
    mainWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(mainWindow.get()));
    ui()->preferencesAction->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(preferences.get()));
}

// Whatever a path names, it stays an entry: the check never blocks on it,
// and the counter and navigation go on past it.
TEST_F(Batch, OddPathsStayEntriesAndNavigationGoesOn)
{
    struct OddPath {
        QString path;
        bool readable;
    };
    QList<OddPath> entries;
    for (const char* name : {"with space & more.png", "quote\"d 'single'.png", "100% pure%20.png",
                             "ünïcødé ñ 日本語.png"})
        entries.append({image(QString::fromUtf8(name), {.height = 21}), true});

    const QString vanished = image(QStringLiteral("vanished.png"), {.height = 21});
    ASSERT_TRUE(QFile::remove(vanished));
    entries.append({vanished, false});
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    entries.append({fifo, false});
    entries.append({QStringLiteral("/dev/zero"), false});
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    entries.append({dir.filePath(QStringLiteral("folder.png")), false});
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not an image\n");
    }
    entries.append({text, false});

    QStringList paths;
    for (const OddPath& entry : entries)
        paths << entry.path;
    info->createFromDragAndDrop(paths);
    const int total = static_cast<int>(entries.size());
    for (int step = 0; step <= total; ++step) {
        const OddPath& entry = entries.at(step % total);
        EXPECT_EQ(ui()->myCount->text(), QStringLiteral("%1/%2").arg(step % total + 1).arg(total));
        EXPECT_EQ(ui()->namesLocation->text(), QFileInfo(entry.path).fileName());
        EXPECT_EQ(ui()->quorHeight->text(), entry.readable ? QStringLiteral("21") : QStringLiteral("0"))
            << entry.path.toStdString();
        info->nextImage();
    }
}

TEST_F(Batch, TenThousandPathsKeepTheirCountAndWrapAround)
{
    QStringList paths{image(QStringLiteral("first.png"), {})};
    for (int i = 1; i < 10000; ++i)
        paths << dir.filePath(QStringLiteral("missing-%1.png").arg(i));
    info->createFromDragAndDrop(paths);
    EXPECT_EQ(info->totale(), 10000);
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/10000"));
    info->prevImage();
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("10000/10000"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("missing-9999.png"));
    info->nextImage();
    EXPECT_EQ(ui()->myCount->text(), QStringLiteral("1/10000"));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("first.png"));
}

} // namespace
} // namespace quorvel::test
