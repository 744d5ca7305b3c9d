#include "platform/JsonDefaultsStore.h"
#include "settings/SettingsList.h"
#include "support/MemoryDefaultsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace quorvel;
using quorvel::test::MemoryDefaultsStore;

namespace {

const QList<Setting> fivePresets{
    {QStringLiteral("None"), {1, 1, 0, 1}},
    {QStringLiteral("Pre-Press"), {1, 0, 300, 0}},
    {QStringLiteral("Web"), {1, 1, 72, 0}},
    {QStringLiteral("BWPhotos"), {1, 2, 150, 0}},
    {QStringLiteral("Pencil"), {1, 2, 600, 0}},
};

QVariantMap entry(const QString& name, QVariantList values)
{
    return QVariantMap{{name, values}};
}

TEST(SettingsList, NothingStoredMakesThePresetsAndStoresNothing)
{
    MemoryDefaultsStore store;
    const SettingsList list(store);
    EXPECT_EQ(list.entries(), fivePresets);
    EXPECT_EQ(store.writes, 0);
    EXPECT_FALSE(store.contains(SettingsList::storeKey));
}

TEST(SettingsList, AStoredListIsUsedAsStoredEvenWhenEmpty)
{
    MemoryDefaultsStore store;
    store.values.insert(SettingsList::storeKey, QVariantList{});
    EXPECT_TRUE(SettingsList(store).entries().isEmpty());

    store.values.insert(SettingsList::storeKey,
                        QVariantList{entry(QStringLiteral("Mine"), {0, 2, 240, 0}), entry(QStringLiteral("mine"), {1, 0, 300, 0})});
    const SettingsList list(store);
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("Mine"), QStringLiteral("mine")}));
    EXPECT_EQ(list.valuesAt(1), (SettingValues{1, 0, 300, 0}));
}

TEST(SettingsList, TheFirstAddStoresThePresetsWithTheNewSetting)
{
    MemoryDefaultsStore store;
    SettingsList list(store);
    list.append(QStringLiteral("Web"), {0, 0, 100, 0});
    ASSERT_EQ(store.writes, 1);
    const auto stored = SettingsList::fromStored(store.value(SettingsList::storeKey));
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->size(), 6);
    EXPECT_EQ(stored->last(), (Setting{QStringLiteral("Web"), {0, 0, 100, 0}}));

    // Two of one name: removing it removes the earlier one.
    list.removeFirst(QStringLiteral("Web"));
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("None"), QStringLiteral("Pre-Press"), QStringLiteral("BWPhotos"),
                                         QStringLiteral("Pencil"), QStringLiteral("Web")}));
    EXPECT_EQ(list.valuesAt(4), (SettingValues{0, 0, 100, 0}));

    // A deleted preset stays deleted at the next start.
    list.removeFirst(QStringLiteral("None"));
    EXPECT_EQ(SettingsList(store).names().first(), QStringLiteral("Pre-Press"));
}

TEST(SettingsList, UnreadableEntriesAreSkippedAndTheRestKept)
{
    MemoryDefaultsStore store;
    store.values.insert(SettingsList::storeKey, QVariantList{
        entry(QStringLiteral("Good"), {1, 0, 300, 0}),
        QVariantMap{{QStringLiteral("Two"), QVariantList{1, 1, 1, 0}}, {QStringLiteral("Keys"), QVariantList{1, 1, 1, 0}}},
        entry(QStringLiteral("Three"), {1, 1, 72}),
        entry(QStringLiteral("Text"), {1, QStringLiteral("one"), 72, 0}),
        QVariantList{QStringLiteral("not"), QStringLiteral("a map")},
        QStringLiteral("just text"),
        entry(QStringLiteral("Fraction"), {1, 1, 72.5, 0}),
        entry(QStringLiteral("Also good"), {0, 2, 150, 2}),
    });
    QStringList skipped;
    const auto read = SettingsList::fromStored(store.value(SettingsList::storeKey), &skipped);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->size(), 2);
    EXPECT_EQ(skipped.size(), 6);
    EXPECT_EQ(SettingsList(store).names(), (QStringList{QStringLiteral("Good"), QStringLiteral("Also good")}));

    // An add keeps what could not be read, so a hand edit gone wrong is not lost.
    SettingsList list(store);
    list.append(QStringLiteral("New"), {1, 1, 72, 0});
    EXPECT_EQ(list.names(), (QStringList{QStringLiteral("Good"), QStringLiteral("Also good"), QStringLiteral("New")}));
    EXPECT_EQ(store.value(SettingsList::storeKey).toList().size(), 9);

    // A value that is not a list at all counts as nothing stored.
    store.values.insert(SettingsList::storeKey, QStringLiteral("garbage"));
    EXPECT_EQ(SettingsList(store).entries(), fivePresets);
}

class JsonStore : public ::testing::Test {
protected:
    QString path() const { return dir.filePath(QStringLiteral("Quorvel.json")); }
    QTemporaryDir dir;
};

TEST_F(JsonStore, ARestartReadsBackWhatWasWrittenAsAPersonCanRead)
{
    {
        platform::JsonDefaultsStore store(path());
        SettingsList list(store);
        list.append(QStringLiteral("Zeitung 50%"), {1, 0, 200, 0});
        store.setValue(QStringLiteral("PreferredApp"), 1);
        store.setValue(QStringLiteral("Manager"), QStringLiteral("/usr/share/applications/viewer.desktop"));
    }
    platform::JsonDefaultsStore again(path());
    const SettingsList list(again);
    ASSERT_EQ(list.size(), 6);
    EXPECT_EQ(list.entries().last(), (Setting{QStringLiteral("Zeitung 50%"), {1, 0, 200, 0}}));
    EXPECT_EQ(again.value(QStringLiteral("PreferredApp")).typeId(), QMetaType::Int);
    EXPECT_EQ(again.value(QStringLiteral("Manager")).toString(), QStringLiteral("/usr/share/applications/viewer.desktop"));

    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\"allSettingValues\"")) << text.constData();
    EXPECT_TRUE(text.contains("\"Pre-Press\"")) << text.constData();
}

TEST_F(JsonStore, AnUnparsableFileIsKeptAsideAndTheStartIsFresh)
{
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("{ \"allSettingValues\": [ {\"Mine\": [1, 0, 3");
    }
    platform::JsonDefaultsStore store(path());
    ASSERT_FALSE(store.movedAsideTo().isEmpty());
    QFile aside(store.movedAsideTo());
    ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
    EXPECT_TRUE(aside.readAll().contains("Mine"));

    SettingsList list(store);
    EXPECT_EQ(list.entries(), fivePresets);
    list.append(QStringLiteral("New"), {1, 1, 72, 0});
    EXPECT_EQ(platform::JsonDefaultsStore(path()).movedAsideTo(), QString());
    EXPECT_EQ(SettingsList(*std::make_unique<platform::JsonDefaultsStore>(path())).size(), 6);
}

TEST_F(JsonStore, EveryChangeHoldsTheLockTheFirstInAFreshFolderIncluded)
{
    // A fresh configuration: not even the folder of the file exists yet.
    const QString fresh = dir.filePath(QStringLiteral("config/Quorvel/Quorvel.json"));
    const QString lockName = fresh + QStringLiteral(".update-lock");
    platform::JsonDefaultsStore store(fresh);
    for (int change = 1; change <= 2; ++change) {
        bool heldElsewhere = false;
        store.update(QStringLiteral("counter"), [&](const QVariant& before) {
            // Another copy trying now finds the lock taken.
            QLockFile other(lockName);
            heldElsewhere = QFileInfo::exists(lockName) && !other.tryLock(0);
            return before.toInt() + 1;
        });
        EXPECT_TRUE(heldElsewhere) << "change " << change;
    }
    EXPECT_EQ(platform::JsonDefaultsStore(fresh).value(QStringLiteral("counter")).toInt(), 2);
}

TEST_F(JsonStore, TwoRunningCopiesThatAddInTurnKeepBothSettings)
{
    platform::JsonDefaultsStore firstStore(path());
    platform::JsonDefaultsStore secondStore(path());
    SettingsList first(firstStore);
    SettingsList second(secondStore);

    first.append(QStringLiteral("From the first"), {1, 0, 300, 0});
    second.append(QStringLiteral("From the second"), {1, 1, 72, 0});

    platform::JsonDefaultsStore restart(path());
    const QStringList names = SettingsList(restart).names();
    EXPECT_EQ(names.size(), 7);
    EXPECT_TRUE(names.contains(QStringLiteral("From the first")));
    EXPECT_EQ(names.last(), QStringLiteral("From the second"));
    EXPECT_EQ(second.names(), names);
}

TEST_F(JsonStore, TwoCopiesAddingAtOnceLoseNoSetting)
{
    constexpr int each = 40;
    QProcess first;
    QProcess second;
    first.start(QStringLiteral(SETTINGS_ADDER), {path(), QStringLiteral("first"), QString::number(each)});
    second.start(QStringLiteral(SETTINGS_ADDER), {path(), QStringLiteral("second"), QString::number(each)});
    ASSERT_TRUE(first.waitForFinished(60000));
    ASSERT_TRUE(second.waitForFinished(60000));
    ASSERT_EQ(first.exitCode(), 0);
    ASSERT_EQ(second.exitCode(), 0);

    platform::JsonDefaultsStore store(path());
    const QStringList names = SettingsList(store).names();
    EXPECT_EQ(names.size(), 5 + 2 * each);
    const SettingsList list(store);
    for (int i = 1; i <= each; ++i) {
        EXPECT_TRUE(names.contains(QStringLiteral("first-%1").arg(i))) << i;
        EXPECT_TRUE(names.contains(QStringLiteral("second-%1").arg(i))) << i;
        // Their print demands, written under the same lock, are all there too.
        EXPECT_EQ(list.demandsOf(QStringLiteral("first-%1").arg(i)).inkLimitPercent, 200 + i);
        EXPECT_EQ(list.demandsOf(QStringLiteral("second-%1").arg(i)).inkLimitPercent, 200 + i);
    }
    EXPECT_EQ(list.allDemands().size(), 2 * each);
}

PrintDemands magazineDemands()
{
    PrintDemands d;
    d.trim = parseTrimSize("A4");
    d.bleedMm = 3.0;
    d.inkLimitPercent = 300;
    d.inkToleranceMm2 = 2.5;
    d.requireProfile = true;
    d.profileContains = "FOGRA39";
    d.noTransparency = true;
    return d;
}

TEST_F(JsonStore, PrintDemandsAreKeptApartAndTheListKeepsItsFourIntegers)
{
    const QString magazine = QStringLiteral("Magazine");
    {
        platform::JsonDefaultsStore store(path());
        SettingsList list(store);
        // A copy without demands writes no key for them.
        list.append(QStringLiteral("Plain"), {1, 1, 72, 0});
        EXPECT_FALSE(store.contains(SettingsList::demandsKey));
        list.append(magazine, {1, 0, 300, 0}, magazineDemands());
        EXPECT_EQ(list.demandsOf(magazine), magazineDemands());
    }
    platform::JsonDefaultsStore store(path());
    // What an older copy reads: the list alone, every entry one name and
    // exactly four integers, nothing skipped.
    const QVariantList stored = store.value(SettingsList::storeKey).toList();
    ASSERT_EQ(stored.size(), 7);
    for (const QVariant& item : stored) {
        const QVariantMap map = item.toMap();
        ASSERT_EQ(map.size(), 1);
        const QVariantList values = map.first().toList();
        ASSERT_EQ(values.size(), 4) << map.firstKey().toStdString();
        for (const QVariant& v : values)
            EXPECT_EQ(v.typeId(), QMetaType::Int);
    }
    QStringList skipped;
    ASSERT_TRUE(SettingsList::fromStored(store.value(SettingsList::storeKey), &skipped));
    EXPECT_TRUE(skipped.isEmpty());

    // A restart reads the demands back exactly, and only for that name.
    SettingsList list(store);
    EXPECT_EQ(list.demandsOf(magazine), magazineDemands());
    EXPECT_FALSE(list.demandsOf(QStringLiteral("Plain")).any());
    EXPECT_FALSE(list.demandsOf(QStringLiteral("Pre-Press")).any());

    // Settings of one name share the demands; they go with the last of them.
    list.append(magazine, {1, 0, 350, 0}, magazineDemands());
    list.removeFirst(magazine);
    EXPECT_EQ(SettingsList(store).demandsOf(magazine), magazineDemands());
    list.removeFirst(magazine);
    EXPECT_FALSE(SettingsList(store).demandsOf(magazine).any());
    EXPECT_TRUE(store.value(SettingsList::demandsKey).toMap().isEmpty());
}

TEST(SettingsList, StoredDemandsSurviveHandEditsOfTheListAndSkipWhatCannotBeRead)
{
    MemoryDefaultsStore store;
    // Written by a copy without demands: read as it is.
    store.values.insert(SettingsList::storeKey, QVariantList{entry(QStringLiteral("Mine"), {1, 0, 300, 0})});
    EXPECT_EQ(SettingsList(store).entries(), (QList<Setting>{{QStringLiteral("Mine"), {1, 0, 300, 0}}}));
    EXPECT_TRUE(SettingsList(store).allDemands().isEmpty());

    struct Case {
        const char* name;
        QVariant stored;
        bool readable;
    };
    const Case cases[] = {
        {"as written", demandsToStored(magazineDemands()), true},
        {"not a map", QVariantList{1, 2}, false},
        {"width without height", QVariantMap{{QStringLiteral("trimWidthMm"), 210}}, false},
        {"negative bleed", QVariantMap{{QStringLiteral("trimWidthMm"), 210}, {QStringLiteral("trimHeightMm"), 297},
                                       {QStringLiteral("bleedMm"), -3}}, false},
        {"ink limit as text", QVariantMap{{QStringLiteral("inkLimitPercent"), QStringLiteral("300")}}, false},
        {"ink limit of 500", QVariantMap{{QStringLiteral("inkLimitPercent"), 500}}, false},
        {"nothing demanded", QVariantMap{}, false},
    };
    for (const Case& c : cases) {
        store.values.insert(SettingsList::demandsKey, QVariantMap{{QStringLiteral("Mine"), c.stored}});
        EXPECT_EQ(SettingsList(store).allDemands().contains(QStringLiteral("Mine")), c.readable) << c.name;
    }
    // Demands of a name no longer listed (a hand edit) go at the next write.
    store.values.insert(SettingsList::demandsKey,
                        QVariantMap{{QStringLiteral("Gone"), demandsToStored(magazineDemands())},
                                    {QStringLiteral("Mine"), demandsToStored(magazineDemands())}});
    SettingsList list(store);
    list.storeUnchanged();
    EXPECT_EQ(store.value(SettingsList::demandsKey).toMap().keys(), QStringList{QStringLiteral("Mine")});
    EXPECT_EQ(list.allDemands().keys(), QStringList{QStringLiteral("Mine")});
}

} // namespace
