#include "app/InspectorFixture.h"
#include "settings/PrefManager.h"

#include "ui_DeleteSettingSheet.h"
#include "ui_SettingNameSheet.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QCoreApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <functional>

namespace quorvel::test {
namespace {

class Preferences : public InspectorFixture {
protected:
    void SetUp() override
    {
        InspectorFixture::SetUp();
        prefManager = std::make_unique<PrefManager>(defaults, preferences.get(), notifications.get(), &panels);
        prefManager->awakeFromNib();
        notifications->observe(QStringLiteral("cambiamento"));
        posts = std::make_unique<QSignalSpy>(notifications.get(), &platform::NotificationCenter::notified);
    }
    void TearDown() override
    {
        posts.reset();
        prefManager.reset();
        InspectorFixture::TearDown();
    }
    QComboBox* popUp() const { return prefs()->mioPopUp; }
    // Picks an item as the user does: opens the pop-up, moves to the item
    // with the keys and confirms it.
    void pick(const QString& name)
    {
        const int index = popUp()->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        popUp()->showPopup();
        QAbstractItemView* list = popUp()->view();
        ASSERT_TRUE(list->isVisible());
        QTest::keyClick(list, Qt::Key_Home);
        for (int i = 0; i < index; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_FALSE(list->isVisible());
        ASSERT_EQ(popUp()->currentIndex(), index);
    }
    bool valueControlsEnabled() const
    {
        const bool enabled = prefs()->loSuich->isEnabled();
        EXPECT_EQ(prefs()->laMatrice->isEnabled(), enabled);
        EXPECT_EQ(prefs()->loSlide->isEnabled(), enabled);
        return enabled;
    }
    int deliveredPosts()
    {
        EXPECT_TRUE(deliverPosts());
        return static_cast<int>(std::count_if(posts->cbegin(), posts->cend(), [](const QList<QVariant>& args) {
            return args.at(0) == QStringLiteral("cambiamento");
        }));
    }
    // The add and delete buttons and their sheets, as the user works them.
    void addNamed(const QString& name)
    {
        prefs()->addButton->click();
        ASSERT_TRUE(prefManager->settingName()->isVisible());
        QTest::keyClicks(prefManager->nameSheetForm()->givenName, name);
        prefManager->nameSheetForm()->confirmButton->click();
    }
    void deleteSelected()
    {
        prefs()->deleteButton->click();
        ASSERT_TRUE(prefManager->finestraBeforeDelete()->isVisible());
        prefManager->deleteSheetForm()->confirmButton->click();
    }

    std::unique_ptr<PrefManager> prefManager;
    std::unique_ptr<QSignalSpy> posts;
};

TEST_F(Preferences, StartsWithThePresetsListedNothingAppliedAndNothingPosted)
{
    EXPECT_EQ(popUp()->count(), 5);
    EXPECT_EQ(popUp()->itemText(2), QStringLiteral("Web"));
    EXPECT_EQ(popUp()->currentIndex(), -1);
    EXPECT_FALSE(valueControlsEnabled());
    EXPECT_FALSE(prefs()->deleteButton->isEnabled()) << "nothing selected, nothing to delete";
    EXPECT_EQ(deliveredPosts(), 0);
    EXPECT_EQ(defaults.writes, 0);
}

struct PresetCase {
    const char* name;
    int preview, row, dpi;
    bool enabled;
};

class Presets : public Preferences, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(Presets, PickingOneAppliesItAndPosts)
{
    const PresetCase c = GetParam();
    TraceRecorder traces;
    pick(QLatin1String(c.name));
    const SettingControlsView controls = preferences->controls();
    EXPECT_EQ(controls.previewState(), c.preview);
    EXPECT_EQ(controls.selectedRow(), c.row);
    EXPECT_EQ(controls.sliderValue(), c.dpi);
    EXPECT_EQ(prefs()->dpiBox->value(), c.dpi);
    EXPECT_EQ(valueControlsEnabled(), c.enabled);
    EXPECT_EQ(traces.lines(), (QStringList{QStringLiteral("Hai scelto %1").arg(QLatin1String(c.name)),
                                           QStringLiteral("Le preferenze sono %1, %2, %3").arg(c.preview).arg(c.row).arg(c.dpi),
                                           QStringLiteral("--------->> CATTURATO IL SETTING!")}));
    EXPECT_EQ(deliveredPosts(), 1);
}

INSTANTIATE_TEST_SUITE_P(, Presets, ::testing::Values(
    PresetCase{"None", 1, 1, 0, false}, PresetCase{"Pre-Press", 1, 0, 300, true}, PresetCase{"Web", 1, 1, 72, true},
    PresetCase{"BWPhotos", 1, 2, 150, true}, PresetCase{"Pencil", 1, 2, 600, true}),
    [](const auto& info) { return std::string(info.param.name).substr(0, 3) == "Pre" ? std::string("PrePress") : std::string(info.param.name); });

TEST_F(Preferences, OnlyExactlyOneDisablesTheControls)
{
    defaults.values.insert(SettingsList::storeKey, QVariantList{QVariantMap{{QStringLiteral("Two"), QVariantList{0, 0, 300, 2}}}});
    PrefManager fromStore(defaults, preferences.get(), notifications.get(), &panels);
    fromStore.awakeFromNib();
    fromStore.setThisPref(0);
    EXPECT_TRUE(valueControlsEnabled());
}

TEST_F(Preferences, EditingAValueOnlyPostsAndPickingAgainRestoresIt)
{
    pick(QStringLiteral("Web"));
    ASSERT_EQ(deliveredPosts(), 1);
    prefs()->dpiBox->setValue(150); // as the user types in the numeric box
    EXPECT_EQ(prefs()->loSlide->value(), 150);
    EXPECT_EQ(deliveredPosts(), 2);
    EXPECT_EQ(defaults.writes, 0);
    pick(QStringLiteral("Web"));
    EXPECT_EQ(prefs()->loSlide->value(), 72);
}

TEST_F(Preferences, PrintChecksAreAddedWithTheSettingAndAppliedWithIt)
{
    pick(QStringLiteral("Pre-Press"));
    ASSERT_EQ(deliveredPosts(), 1);
    EXPECT_TRUE(prefs()->printChecks->isEnabled());
    EXPECT_FALSE(preferences->controls().ruleControls().demands.any());

    // Each check the user turns on posts a change, as the value controls do.
    prefs()->printSizeCheck->click();
    prefs()->inkCheck->click();
    QTest::keyClicks(prefs()->profileText, QStringLiteral("FOGRA39"));
    prefs()->profileCheck->click();
    EXPECT_EQ(deliveredPosts(), 4);

    PrintDemands magazine;
    magazine.trim = parseTrimSize("A4");
    magazine.bleedMm = 3.0;
    magazine.inkLimitPercent = 300;
    magazine.requireProfile = true;
    magazine.profileContains = "FOGRA39";
    EXPECT_EQ(preferences->controls().ruleControls().demands, magazine);

    addNamed(QStringLiteral("Magazine"));
    EXPECT_EQ(SettingsList(defaults).demandsOf(QStringLiteral("Magazine")), magazine);
    EXPECT_FALSE(SettingsList(defaults).demandsOf(QStringLiteral("Pre-Press")).any());

    // Another setting clears the group; picking the new one puts its checks back.
    pick(QStringLiteral("Web"));
    EXPECT_FALSE(prefs()->printSizeCheck->isChecked());
    EXPECT_FALSE(preferences->controls().ruleControls().demands.any());
    const int before = deliveredPosts();
    pick(QStringLiteral("Magazine"));
    EXPECT_EQ(deliveredPosts(), before + 1);
    EXPECT_TRUE(prefs()->printSizeCheck->isChecked());
    EXPECT_EQ(prefs()->printSizeBox->currentText(), QStringLiteral("A4"));
    EXPECT_EQ(preferences->controls().ruleControls().demands, magazine);

    // A typed size counts once the field is left.
    prefs()->printSizeBox->setFocus();
    prefs()->printSizeBox->lineEdit()->selectAll();
    QTest::keyClicks(prefs()->printSizeBox->lineEdit(), QStringLiteral("100x150mm"));
    QTest::keyClick(prefs()->printSizeBox->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(preferences->controls().ruleControls().demands.trim, (TrimSize{"", 100, 150}));
    EXPECT_GT(deliveredPosts(), before + 1);

    // A setting that disables the controls checks nothing.
    pick(QStringLiteral("None"));
    EXPECT_FALSE(prefs()->printChecks->isEnabled());
    EXPECT_FALSE(preferences->controls().ruleControls().demands.any());
}

TEST_F(Preferences, AnEmptyNameBeepsAndKeepsTheSheetOpen)
{
    prefManager->openSetNamePanel();
    ASSERT_TRUE(prefManager->settingName()->isVisible());
    TraceRecorder traces;
    prefManager->addSetting();
    EXPECT_EQ(panels.beeps, 1);
    EXPECT_EQ(traces.lines(), (QStringList{QStringLiteral("Questo setting si chiama: "), QStringLiteral("DONO")}));
    EXPECT_TRUE(prefManager->settingName()->isVisible());
    EXPECT_EQ(popUp()->count(), 5);
    EXPECT_EQ(defaults.writes, 0);
}

TEST_F(Preferences, AddingWhileNoneIsAppliedStoresWhatTheDisabledControlsShow)
{
    pick(QStringLiteral("None"));
    const int postsBefore = deliveredPosts();
    addNamed(QStringLiteral("Web"));
    EXPECT_FALSE(prefManager->settingName()->isVisible());
    EXPECT_EQ(popUp()->count(), 6);
    EXPECT_EQ(popUp()->currentIndex(), 2) << "the first item of that name is selected";
    EXPECT_FALSE(valueControlsEnabled());
    EXPECT_EQ(deliveredPosts(), postsBefore);
    EXPECT_EQ(prefManager->tuttiSettings().entries().last(), (Setting{QStringLiteral("Web"), {1, 1, 0, 0}}));
    EXPECT_EQ(SettingsList(defaults).size(), 6);

    // Either item of the repeated name applies the first one's values.
    prefManager->setThisPref(5);
    EXPECT_EQ(prefs()->loSlide->value(), 72);
}

TEST_F(Preferences, DeletingTheSelectedSettingSelectsNoneWithoutARecheck)
{
    pick(QStringLiteral("Pencil"));
    ASSERT_TRUE(prefs()->deleteButton->isEnabled());
    const int postsBefore = deliveredPosts();
    prefs()->deleteButton->click();
    EXPECT_EQ(prefManager->deleteSheetForm()->alertBeforeDelete->text(), QStringLiteral("Really delete Pencil setting?"));
    prefManager->deleteSheetForm()->confirmButton->click();
    EXPECT_FALSE(prefManager->finestraBeforeDelete()->isVisible());
    EXPECT_EQ(popUp()->findText(QStringLiteral("Pencil")), -1);
    EXPECT_FALSE(SettingsList(defaults).names().contains(QStringLiteral("Pencil")));
    EXPECT_EQ(popUp()->currentText(), QStringLiteral("None"));
    EXPECT_FALSE(valueControlsEnabled());
    EXPECT_EQ(prefs()->loSlide->value(), 600);
    EXPECT_EQ(deliveredPosts(), postsBefore);
}

TEST_F(Preferences, AfterNoneIsDeletedNothingIsSelected)
{
    pick(QStringLiteral("None"));
    deleteSelected();
    EXPECT_EQ(popUp()->count(), 4);
    EXPECT_EQ(popUp()->currentIndex(), -1);
    EXPECT_FALSE(prefs()->deleteButton->isEnabled());
    // A delete confirmed with nothing selected removes nothing, and still
    // writes the list as it stands.
    const int writes = defaults.writes;
    prefManager->openAlertPanel();
    prefManager->deleteSheetForm()->confirmButton->click();
    EXPECT_EQ(defaults.writes, writes + 1);
    EXPECT_EQ(popUp()->count(), 4);
    EXPECT_EQ(SettingsList(defaults).size(), 4);
    EXPECT_FALSE(valueControlsEnabled());
}

TEST_F(Preferences, TheQuestionShowsANameLiterally)
{
    addNamed(QStringLiteral("50% %1 %@ %%"));
    prefManager->openAlertPanel();
    EXPECT_EQ(prefManager->deleteSheetForm()->alertBeforeDelete->text(), QStringLiteral("Really delete 50% %1 %@ %% setting?"));
    prefManager->deleteSheetForm()->cancelButton->click();
    EXPECT_FALSE(prefManager->finestraBeforeDelete()->isVisible());
    EXPECT_EQ(popUp()->count(), 6);
}

TEST_F(Preferences, APickedSettingReachesTheInspector)
{
    const QString path = image(QStringLiteral("rgb.png"), {.model = Model::RGB, .dpi = 72});
    info->applicationOpenFiles({path});
    pick(QStringLiteral("Pre-Press"));
    EXPECT_FALSE(isRed(ui()->quorDpi));
    ASSERT_TRUE(deliverPosts());
    EXPECT_TRUE(isRed(ui()->quorDpi));
    EXPECT_TRUE(isRed(ui()->quorColor));
}

// Each value control, operated as the user does, tells the inspector to check again.
TEST_F(Preferences, EveryValueControlPostsAChangeThatTheInspectorChecksAgain)
{
    info->applicationOpenFiles({image(QStringLiteral("rgb.png"), {.model = Model::RGB, .dpi = 150})});
    pick(QStringLiteral("Web"));
    preferences->show();
    const QString recheck = QStringLiteral("--------->> RE-CHECK");
    const auto clickIndicator = [](QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
    };
    struct Step {
        const char* control;
        std::function<void()> operate;
        std::function<bool()> inspectorShows;
    };
    const Step steps[] = {
        {"CMYK", [&] { clickIndicator(prefs()->cmykButton); }, [&] { return isRed(ui()->quorColor); }},
        {"RGB", [&] { clickIndicator(prefs()->rgbButton); }, [&] { return !isRed(ui()->quorColor); }},
        {"Grayscale", [&] { clickIndicator(prefs()->grayscaleButton); }, [&] { return isRed(ui()->quorColor); }},
        {"switch", [&] { clickIndicator(prefs()->loSuich); }, [&] { return prefs()->loSuich->isChecked() == false; }},
        {"slider", [&] {
             prefs()->loSlide->setFocus();
             for (int i = 0; i < 20 && prefs()->loSlide->value() <= 150; ++i)
                 QTest::keyClick(prefs()->loSlide, Qt::Key_PageUp);
         }, [&] { return isRed(ui()->quorDpi); }},
        {"dpi box", [&] {
             prefs()->dpiBox->selectAll();
             QTest::keyClicks(prefs()->dpiBox, QStringLiteral("72"));
             QTest::keyClick(prefs()->dpiBox, Qt::Key_Return);
         }, [&] { return !isRed(ui()->quorDpi); }},
    };
    for (const Step& step : steps) {
        const int before = deliveredPosts();
        TraceRecorder traces;
        step.operate();
        EXPECT_GT(deliveredPosts(), before) << step.control;
        EXPECT_GE(traces.lines().count(recheck), 1) << step.control;
        EXPECT_TRUE(step.inspectorShows()) << step.control;
    }
}

// Another copy deleted one setting and added another: the counts match, the
// names do not. After an add here, item i names entry i again.
TEST_F(Preferences, AfterAnAddThePopUpNamesTheStoredListInOrder)
{
    QList<Setting> other = SettingsList::presets();
    other.removeAt(2); // "Web"
    other.append(Setting{QStringLiteral("Newsprint"), {0, 0, 200, 0}});
    defaults.values.insert(SettingsList::storeKey, SettingsList::toStored(other));

    addNamed(QStringLiteral("Mine"));
    const QStringList names = SettingsList(defaults).names();
    ASSERT_EQ(names.size(), 6);
    QStringList items;
    for (int i = 0; i < popUp()->count(); ++i)
        items << popUp()->itemText(i);
    EXPECT_EQ(items, names);
    EXPECT_EQ(popUp()->currentText(), QStringLiteral("Mine"));

    pick(QStringLiteral("Newsprint"));
    EXPECT_EQ(prefs()->loSlide->value(), 200);
    EXPECT_EQ(preferences->controls().selectedRow(), 0);
}

} // namespace
} // namespace quorvel::test
