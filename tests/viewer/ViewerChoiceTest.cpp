#include "viewer/ViewerChoice.h"

#include "support/MemoryDefaultsStore.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

using viewer::ViewerState;

struct NameCase {
    const char* path;
    const char* name;
};

class DisplayName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DisplayName, DropsOnlyTheLastExtension)
{
    EXPECT_EQ(viewer::viewerDisplayName(QString::fromUtf8(GetParam().path)), QString::fromUtf8(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Paths, DisplayName,
                         ::testing::Values(NameCase{"/usr/share/applications/Image Tool.desktop", "Image Tool"},
                                           NameCase{"/opt/My Apps/My.Viewer.desktop", "My.Viewer"},
                                           NameCase{"/opt/Image Tool.app/", "Image Tool"},
                                           NameCase{"/usr/bin/gimp", "gimp"},
                                           NameCase{"/opt/v1.2/bin/viewer", "viewer"},
                                           NameCase{"/home/u/.viewer", ".viewer"},
                                           NameCase{"/home/u/Bildbetrachter ä.desktop", "Bildbetrachter ä"}));

struct StoredCase {
    QVariant preferredApp; // invalid: missing
    int lowBits;
    ViewerState state;
};

class PreferredApp : public ::testing::TestWithParam<StoredCase> {};

TEST_P(PreferredApp, OnlyTheLowEightBitsCount)
{
    MemoryDefaultsStore defaults;
    if (GetParam().preferredApp.isValid())
        defaults.values.insert(viewer::preferredAppKey, GetParam().preferredApp);
    const std::int8_t read = viewer::readPreferredReader(defaults);
    EXPECT_EQ(read, GetParam().lowBits);
    EXPECT_EQ(viewer::viewerState(read), GetParam().state);
}

INSTANTIATE_TEST_SUITE_P(Values, PreferredApp,
                         ::testing::Values(StoredCase{QVariant(), 0, ViewerState::None},
                                           StoredCase{QVariant(1), 1, ViewerState::Chosen},
                                           StoredCase{QVariant(257), 1, ViewerState::Chosen},
                                           StoredCase{QVariant(256), 0, ViewerState::None},
                                           StoredCase{QVariant(2), 2, ViewerState::Other},
                                           StoredCase{QVariant(255), -1, ViewerState::Other},
                                           StoredCase{QVariant(QStringLiteral("1")), 1, ViewerState::Chosen},
                                           StoredCase{QVariant(QStringLiteral("yes")), 0, ViewerState::None}));

TEST(Manager, OnlyANonEmptyTextIsAViewer)
{
    MemoryDefaultsStore defaults;
    EXPECT_EQ(viewer::readManager(defaults), std::nullopt);
    for (const QVariant& notAPath : {QVariant(42), QVariant(QString()), QVariant(QStringList{QStringLiteral("/a")})}) {
        defaults.values.insert(viewer::managerKey, notAPath);
        EXPECT_EQ(viewer::readManager(defaults), std::nullopt) << notAPath.typeName();
    }
}

} // namespace
} // namespace quorvel::test
