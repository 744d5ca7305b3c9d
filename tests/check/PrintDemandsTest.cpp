// Print size with bleed: whole pixels at the demanded resolution, either
// orientation; named and typed sizes.
#include "check/PrintDemands.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TrimSize sized(const char* text)
{
    const std::optional<TrimSize> size = parseTrimSize(text);
    EXPECT_TRUE(size) << text;
    return size.value_or(TrimSize{});
}

TEST(PrintDemands, PixelsCoverTrimAndBleedInEitherOrientation)
{
    struct Case {
        const char* size;
        double bleed;
        int32_t dpi;
        int32_t wide, high;
        bool covers;
        PixelSize needed; // in the image's orientation
    };
    const Case cases[] = {
        // A4 + 3 mm: 216 x 303 mm is 2551.2 x 3578.7 px at 300 dpi.
        {"A4", 3.0, 300, 2480, 3508, false, {2552, 3579}},
        {"A4", 3.0, 300, 2552, 3579, true, {2552, 3579}},
        {"A4", 3.0, 300, 2551, 3579, false, {2552, 3579}}, // one pixel short across
        {"A4", 3.0, 300, 2552, 3578, false, {2552, 3579}}, // one pixel short down
        {"A4", 3.0, 300, 3579, 2552, true, {3579, 2552}},  // landscape image, landscape page
        {"A4", 3.0, 300, 3578, 2552, false, {3579, 2552}},
        // 210 mm at 300 dpi is 2480.3 px: the familiar 2480 falls short.
        {"A4", 0.0, 300, 2480, 3508, false, {2481, 3508}},
        {"A4", 0.0, 300, 2481, 3508, true, {2481, 3508}},
        {"A5", 0.0, 300, 1749, 2481, true, {1749, 2481}},
        {"A5", 0.0, 300, 1748, 2481, false, {1749, 2481}},
        {"a5", 2.0, 150, 898, 1264, true, {898, 1264}},
        {"210x297mm", 3.0, 300, 2552, 3579, true, {2552, 3579}},
        {"85 x 55 mm", 0.0, 300, 1004, 650, true, {1004, 650}},
        {"Business card", 0.0, 300, 650, 1004, true, {650, 1004}}, // portrait image of a landscape card
        {"254x254", 0.0, 300, 3000, 3000, true, {3000, 3000}},     // a whole number stays whole
        {"254x254", 0.0, 300, 2999, 3000, false, {3000, 3000}},
        {"us letter", 0.0, 300, 2550, 3300, true, {2550, 3300}},
    };
    for (const Case& c : cases) {
        const TrimSize trim = sized(c.size);
        SCOPED_TRACE(testing::Message() << c.size << " + " << c.bleed << " at " << c.dpi << ": " << c.wide << " x " << c.high);
        EXPECT_EQ(coversPrintSize(trim, c.bleed, c.dpi, c.wide, c.high), c.covers);
        EXPECT_EQ(pixelsNeeded(trim, c.bleed, c.dpi, c.wide, c.high), c.needed);
    }
}

TEST(PrintDemands, ASideNeedsTheWholePixelsThatCoverIt)
{
    struct Case {
        double mm;
        int32_t dpi;
        int32_t pixels;
    };
    const Case cases[] = {
        {216.0, 300, 2552}, {303.0, 300, 3579}, {210.0, 300, 2481}, {297.0, 300, 3508},
        {25.4, 300, 300},   {254.0, 300, 3000}, {25.4, 72, 72},     {0.0, 300, 0},
        {10.0, 0, 0},       {-5.0, 300, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pixelsCovering(c.mm, c.dpi), c.pixels) << c.mm << " mm at " << c.dpi;
}

TEST(PrintDemands, ReadsNamedAndTypedSizes)
{
    struct Case {
        const char* text;
        std::optional<TrimSize> size;
    };
    const Case cases[] = {
        {"A3", TrimSize{"A3", 297, 420}},
        {" a6 ", TrimSize{"A6", 105, 148}},
        {"letter", TrimSize{"US Letter", 215.9, 279.4}},
        {"business-card", TrimSize{"Business card", 85, 55}},
        {"210x297mm", TrimSize{"", 210, 297}},
        {"210 x 297", TrimSize{"", 210, 297}},
        {"100.5mm x 70mm", TrimSize{"", 100.5, 70}},
        {"A7", std::nullopt},
        {"0x297", std::nullopt},
        {"-210x297", std::nullopt},
        {"210x", std::nullopt},
        {"x297", std::nullopt},
        {"210x297in", std::nullopt},
        {"1e9x1", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseTrimSize(c.text), c.size) << '"' << c.text << '"';
}

TEST(PrintDemands, ReadsBleeds)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"3mm", 3.0}, {"3 mm", 3.0}, {"0", 0.0}, {"0.5", 0.5}, {"-1mm", std::nullopt},
        {"3in", std::nullopt}, {"", std::nullopt}, {"101", std::nullopt}, {"nan", std::nullopt},
    };
    for (const auto& [text, bleed] : cases)
        EXPECT_EQ(parseBleedMm(text), bleed) << '"' << text << '"';
}

TEST(PrintDemands, ProfileDescriptionContainsTheDemandedTextInAnyCase)
{
    EXPECT_TRUE(profileMatches("Coated FOGRA39 (ISO 12647-2:2004)", "fogra39"));
    EXPECT_TRUE(profileMatches("sRGB IEC61966-2.1", ""));
    EXPECT_FALSE(profileMatches("sRGB IEC61966-2.1", "GRACoL"));
    EXPECT_FALSE(profileMatches("", "sRGB"));
}

} // namespace
} // namespace quorvel
