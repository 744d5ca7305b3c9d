// The viewer commands of the main window controller, on the real windows
// offscreen, with the chooser and the workspace answered by test doubles.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "settings/PreferencesWindow.h"
#include "support/FakePanels.h"
#include "support/FakeWorkspace.h"
#include "support/MemoryDefaultsStore.h"
#include "support/TestImages.h"
#include "support/TraceRecorder.h"
#include "viewer/ViewerChoice.h"

#include "ui_MainWindow.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::test {
namespace {

const QString imageTool = QStringLiteral("/usr/share/applications/Image Tool.desktop");
const QString otherTool = QStringLiteral("/opt/My Apps/My.Viewer.2.desktop");

// Remembers the order of the keys written.
class OrderedDefaults : public MemoryDefaultsStore {
public:
    void setValue(const QString& key, const QVariant& value) override
    {
        written << key;
        MemoryDefaultsStore::setValue(key, value);
    }
    QStringList written;
};

class ViewerCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        preferences = std::make_unique<PreferencesWindow>();
        mainWindow = std::make_unique<MainWindow>();
    }
    void TearDown() override
    {
        QuorvelInfo::releaseSharedInstance();
        mainWindow.reset();
        preferences.reset();
    }

    // Start-up as the composition root does it, with the defaults as they are now.
    void start()
    {
        info = QuorvelInfo::sharedInstance();
        info->connectOutlets({mainWindow.get(), preferences.get(), nullptr, &panels, &defaults, &workspace});
        info->awakeFromNib();
    }
    void storeViewer(const QVariant& preferredApp, const QVariant& manager = QVariant())
    {
        defaults.values.insert(viewer::preferredAppKey, preferredApp);
        if (manager.isValid())
            defaults.values.insert(viewer::managerKey, manager);
    }
    QStringList batch(int count)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << dir.filePath(QStringLiteral("image %1.png").arg(i + 1));
            EXPECT_TRUE(writeTestImage(paths.last(), {}));
        }
        info->createFromDragAndDrop(paths);
        return paths;
    }
    QStringList viewerTraces() const
    {
        static const QStringList starts{QStringLiteral("----->>> "), QStringLiteral("Caricato"),
                                        QStringLiteral("MANAGER"), QStringLiteral("PERCORSO MANAGER"),
                                        QStringLiteral("nessuna applicazione scelta")};
        QStringList found;
        for (const QString& line : trace.lines())
            for (const QString& start : starts)
                if (line.startsWith(start)) {
                    found << line;
                    break;
                }
        return found;
    }
    void expectLabel(const QString& label, const QString& button)
    {
        EXPECT_EQ(mainWindow->form()->applicationSupport->text(), label);
        EXPECT_EQ(mainWindow->form()->chooseSupportButton->text(), button);
    }

    QTemporaryDir dir;
    TraceRecorder trace;
    FakePanels panels;
    FakeWorkspace workspace;
    OrderedDefaults defaults;
    std::unique_ptr<PreferencesWindow> preferences;
    std::unique_ptr<MainWindow> mainWindow;
    QuorvelInfo* info = nullptr;
};

struct StartCase {
    const char* title;
    QVariant preferredApp; // invalid: missing
    QVariant manager;      // invalid: missing
    const char* label;
    const char* button;
    bool traced;
};

class ViewerStart : public ViewerCommands, public ::testing::WithParamInterface<StartCase> {};

TEST_P(ViewerStart, LabelAndButtonShowTheStoredChoice)
{
    const StartCase& c = GetParam();
    if (c.preferredApp.isValid())
        defaults.values.insert(viewer::preferredAppKey, c.preferredApp);
    if (c.manager.isValid())
        defaults.values.insert(viewer::managerKey, c.manager);
    start();
    expectLabel(QString::fromUtf8(c.label), QString::fromUtf8(c.button));
    EXPECT_EQ(viewerTraces(), c.traced ? QStringList{QStringLiteral("----->>> ") + imageTool} : QStringList());
    EXPECT_EQ(defaults.writes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Defaults, ViewerStart,
    ::testing::Values(StartCase{"Empty", QVariant(), QVariant(), "Nothing", "Choose", false},
                      StartCase{"Chosen", QVariant(1), QVariant(imageTool), "Image Tool", "Change", true},
                      StartCase{"LowBitsOne", QVariant(257), QVariant(imageTool), "Image Tool", "Change", true},
                      StartCase{"LowBitsZero", QVariant(256), QVariant(imageTool), "Nothing", "Choose", false},
                      StartCase{"Two", QVariant(2), QVariant(imageTool), "Nothing", "Choose", false},
                      StartCase{"ManagerMissing", QVariant(1), QVariant(), "Nothing", "Choose", false},
                      StartCase{"ManagerNotText", QVariant(1), QVariant(7), "Nothing", "Choose", false}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.title); });

TEST_F(ViewerCommands, TheLabelShowsTheNameThatADesktopEntryGivesItsApplication)
{
    const auto entry = [&](const char* file, const QByteArray& lines) {
        const QString path = dir.filePath(QLatin1String(file));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[Desktop Entry]\nType=Application\nExec=true %f\n" + lines);
        return path;
    };
    const QString named = entry("org.example.Looker.desktop", "Name=Picture Looker\n");
    const QString nameless = entry("org.example.Nameless.desktop", "Comment=no name here\n");

    storeViewer(1, named);
    start();
    expectLabel(QStringLiteral("Picture Looker"), QStringLiteral("Change"));

    // Chosen through the chooser: the same name; an entry without one keeps the file's.
    panels.applicationToChoose = nameless;
    mainWindow->form()->chooseSupportButton->click();
    expectLabel(QStringLiteral("org.example.Nameless"), QStringLiteral("Change"));
    panels.applicationToChoose = named;
    mainWindow->form()->chooseSupportButton->click();
    expectLabel(QStringLiteral("Picture Looker"), QStringLiteral("Change"));
}

TEST_F(ViewerCommands, FirstOpenChoosesThenOpensTheCurrentImage)
{
    start();
    const QStringList images = batch(2);
    info->nextImage();
    panels.applicationToChoose = otherTool;
    trace.clear();

    mainWindow->form()->modifyButton->click();

    ASSERT_EQ(panels.applicationRequests.size(), 1);
    const auto& request = panels.applicationRequests.constFirst();
    EXPECT_EQ(request.startDirectory, QStringLiteral("/usr/share/applications"));
    EXPECT_EQ(request.prompt, QStringLiteral("Select"));
    EXPECT_EQ(panels.applicationParents.constFirst(), mainWindow.get());

    EXPECT_EQ(defaults.written, (QStringList{viewer::managerKey, viewer::preferredAppKey}));
    EXPECT_EQ(defaults.values.value(viewer::managerKey), QVariant(otherTool)); // spaces and dots unchanged
    EXPECT_EQ(defaults.values.value(viewer::preferredAppKey), QVariant(1));
    expectLabel(QStringLiteral("My.Viewer.2"), QStringLiteral("Change"));
    EXPECT_EQ(viewerTraces(), (QStringList{QStringLiteral("PERCORSO MANAGER: ") + otherTool,
                                           QStringLiteral("MANAGER: ") + otherTool}));
    ASSERT_EQ(workspace.openedFiles.size(), 1);
    EXPECT_EQ(workspace.openedFiles.constFirst(), qMakePair(images.at(1), otherTool));
}

TEST_F(ViewerCommands, OpenWithAViewerOpensAtOnce)
{
    storeViewer(257, imageTool);
    start();
    const QStringList images = batch(1);
    trace.clear();

    mainWindow->form()->openViewerAction->trigger();

    EXPECT_TRUE(panels.applicationRequests.isEmpty());
    EXPECT_EQ(viewerTraces(), (QStringList{QStringLiteral("Caricato"), QStringLiteral("MANAGER?: ") + imageTool}));
    ASSERT_EQ(workspace.openedFiles.size(), 1);
    EXPECT_EQ(workspace.openedFiles.constFirst(), qMakePair(images.at(0), imageTool));
    EXPECT_EQ(info->preferredReader(), 1);
}

TEST_F(ViewerCommands, OpenWithoutABatchDoesNothing)
{
    start();
    panels.applicationToChoose = imageTool;
    trace.clear();
    info->openImageManager();
    EXPECT_TRUE(panels.applicationRequests.isEmpty());
    EXPECT_TRUE(trace.lines().isEmpty());
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
    EXPECT_EQ(defaults.writes, 0);
}

// The value 2 is neither chosen nor none: opening does nothing at all, but a
// change still stores a proper choice.
TEST_F(ViewerCommands, AnUnknownStateOpensNothingUntilChanged)
{
    storeViewer(2, imageTool);
    start();
    batch(1);
    panels.applicationToChoose = otherTool;

    info->openImageManager();
    EXPECT_TRUE(panels.applicationRequests.isEmpty());
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
    EXPECT_EQ(info->preferredReader(), 2);

    mainWindow->form()->chooseSupportButton->click();
    EXPECT_EQ(defaults.values.value(viewer::preferredAppKey), QVariant(1));
    expectLabel(QStringLiteral("My.Viewer.2"), QStringLiteral("Change"));
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
}

struct ChooseCase {
    const char* title;
    QVariant preferredApp; // invalid: missing
    QVariant manager;
};

// Cases where the open command has to let the user choose first.
class OpenChoosesFirst : public ViewerCommands, public ::testing::WithParamInterface<ChooseCase> {};

TEST_P(OpenChoosesFirst, AndCancellingOpensNothing)
{
    if (GetParam().preferredApp.isValid())
        storeViewer(GetParam().preferredApp, GetParam().manager);
    start();
    batch(1);
    const QString label = mainWindow->form()->applicationSupport->text();
    const QString button = mainWindow->form()->chooseSupportButton->text();
    trace.clear();

    info->openImageManager(); // the double answers "cancel"

    EXPECT_EQ(panels.applicationRequests.size(), 1);
    EXPECT_EQ(viewerTraces(), QStringList{QStringLiteral("nessuna applicazione scelta")});
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
    EXPECT_EQ(defaults.writes, 0);
    expectLabel(label, button);
}

INSTANTIATE_TEST_SUITE_P(States, OpenChoosesFirst,
                         ::testing::Values(ChooseCase{"Empty", QVariant(), QVariant()},
                                           ChooseCase{"LowBitsZero", QVariant(256), QVariant(imageTool)},
                                           ChooseCase{"ManagerMissing", QVariant(1), QVariant()},
                                           ChooseCase{"ManagerNotText", QVariant(1), QVariant(3.5)}),
                         [](const ::testing::TestParamInfo<ChooseCase>& info) { return std::string(info.param.title); });

TEST_F(ViewerCommands, ChangeWithoutABatchStoresTheChoiceOnly)
{
    start();
    panels.applicationToChoose = imageTool;
    mainWindow->form()->changeViewerAction->trigger();
    EXPECT_EQ(panels.applicationRequests.size(), 1);
    EXPECT_EQ(defaults.values.value(viewer::managerKey), QVariant(imageTool));
    expectLabel(QStringLiteral("Image Tool"), QStringLiteral("Change"));
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
}

TEST_F(ViewerCommands, ChangeReplacesTheViewerWithoutOpening)
{
    storeViewer(1, imageTool);
    start();
    batch(2);
    panels.applicationToChoose = otherTool;
    info->changeImageManager();
    EXPECT_EQ(defaults.values.value(viewer::managerKey), QVariant(otherTool));
    expectLabel(QStringLiteral("My.Viewer.2"), QStringLiteral("Change"));
    EXPECT_TRUE(workspace.openedFiles.isEmpty());

    info->openImageManager(); // now with the new viewer
    ASSERT_EQ(workspace.openedFiles.size(), 1);
    EXPECT_EQ(workspace.openedFiles.constFirst().second, otherTool);
}

} // namespace
} // namespace quorvel::test
