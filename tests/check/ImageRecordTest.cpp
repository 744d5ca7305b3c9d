// The record of one file: facts derived once, verdicts from the rules.
#include "check/ImageRecord.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

ImageMeasure measureOf(int32_t high, int32_t wide, float points, const char* space)
{
    ImageMeasure m;
    m.pixelsHigh = high;
    m.pixelsWide = wide;
    m.heightPoints = points;
    m.colourSpaceName = std::string(space);
    m.colourClass = classifyColourSpace(m.colourSpaceName);
    return m;
}

TEST(ImageRecord, JudgesWithTheInspectorsRules)
{
    struct Case {
        ImageMeasure measure;
        RuleControls rules;
        bool dpiFails;
        ColourVerdict colour;
    };
    const Case cases[] = {
        {measureOf(3000, 10, 720.0f, "DeviceCMYK"), {0, true, 300}, false, ColourVerdict::Pass},
        {measureOf(3000, 10, 720.5f, "DeviceCMYK"), {1, true, 300}, true, ColourVerdict::Fail},
        {measureOf(500, 10, 500.0f, "CalibratedRGB"), {1, true, 75}, false, ColourVerdict::Pass}, // 75 demands 72
        {measureOf(500, 10, 500.0f, "CalibratedRGB"), {0, false, 74}, true, ColourVerdict::Off},
        {measureOf(500, 10, 500.0f, "DeviceRGB"), {1, true, 0}, false, ColourVerdict::None},
        {ImageMeasure{}, {-1, true, 1}, true, ColourVerdict::None}, // unreadable: no resolution
    };
    for (const Case& c : cases) {
        ImageRecord record = makeRecord(c.measure);
        judgeRecord(record, c.rules);
        ASSERT_TRUE(record.judgement);
        const Judgement& j = *record.judgement;
        EXPECT_EQ(j.requiredDpi, requiredDpi(c.rules.sliderValue));
        EXPECT_EQ(j.dpiFails, c.dpiFails) << c.measure.pixelsHigh;
        EXPECT_EQ(j.colour, c.colour) << c.measure.pixelsHigh;
        EXPECT_EQ(j.colourFails, c.colour == ColourVerdict::Fail);
        EXPECT_EQ(j.fails(), c.dpiFails || c.colour == ColourVerdict::Fail);
    }
}

TEST(ImageRecord, DerivesTheFactsOnceAndOnlyForAReadableFile)
{
    ImageDetails details;
    details.horizontalDpi = 300.0;
    details.verticalDpi = 150.0;
    details.conflictingExifDpi = 72.0;
    const ImageMeasure cmyk = measureOf(300, 600, 144.0f, "DeviceCMYK");

    ImageRecord record = makeRecord(cmyk, details);
    EXPECT_TRUE(record.readable);
    EXPECT_EQ(record.unreadableReason, UnreadableReason::None);
    EXPECT_EQ(record.measuredDpi, 150);
    ASSERT_TRUE(record.details);
    EXPECT_TRUE(record.resolutionsDiffer);
    EXPECT_TRUE(record.jfifExifConflict);
    EXPECT_EQ(record.profileWarning, ProfileWarning::CmykWithoutProfile);
    ASSERT_TRUE(record.printSize);
    EXPECT_DOUBLE_EQ(record.printSize->widthInches, 2.0);
    judgeRecord(record, {0, true, 75});
    ASSERT_TRUE(record.judgement->largestPrintSize);
    EXPECT_DOUBLE_EQ(record.judgement->largestPrintSize->heightInches, 300.0 / 72);

    // Without details nothing is derived from them.
    EXPECT_FALSE(makeRecord(cmyk).printSize);
    EXPECT_EQ(makeRecord(cmyk).profileWarning, ProfileWarning::None);

    // An unreadable file keeps the empty measure and its reason, never details.
    ImageMeasure gone;
    gone.unreadableReason = UnreadableReason::Vanished;
    const ImageRecord missing = makeRecord(gone, details);
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.unreadableReason, UnreadableReason::Vanished);
    EXPECT_FALSE(missing.details);
    EXPECT_FALSE(missing.printSize);
    EXPECT_EQ(missing.measuredDpi, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(makeRecord(ImageMeasure{}).unreadableReason, UnreadableReason::Damaged);
}

} // namespace
} // namespace quorvel
