#include "app/overview/VerdictText.h"

#include <gtest/gtest.h>

#include <limits>

namespace quorvel::test {
namespace {

const RuleControls prePress{0, true, 300};
const RuleControls web{1, true, 72};
const RuleControls none{1, false, 0};

ImageMeasure measureOf(ColourClass colour, int32_t pixelsHigh, float heightPoints)
{
    ImageMeasure measure;
    measure.pixelsHigh = pixelsHigh;
    measure.pixelsWide = 10;
    measure.heightPoints = heightPoints;
    measure.colourClass = colour;
    return measure;
}

ImageMeasure named(ImageMeasure measure, const char* colourSpace)
{
    measure.colourSpaceName = colourSpace;
    return measure;
}

ImageMeasure unreadable(UnreadableReason reason)
{
    ImageMeasure measure;
    measure.unreadableReason = reason;
    return measure;
}

struct BannerCase {
    const char* name;
    ImageMeasure measure;
    RuleControls rules;
    const char* title;
    const char* banner;
    const char* cell;
};

class Banner : public ::testing::TestWithParam<BannerCase> {};

TEST_P(Banner, SaysWhatFailsAndWhatIsNeeded)
{
    const BannerCase& c = GetParam();
    ImageRecord record = makeRecord(c.measure);
    judgeRecord(record, c.rules);
    EXPECT_EQ(verdictBannerText(record, c.rules, QString::fromUtf8(c.title)).toStdString(), c.banner);
    EXPECT_EQ(verdictCellText(record).toStdString(), c.cell);
}

// 300 px over 72 pt is 300 dpi; 72 px over 72 pt is 72 dpi.
INSTANTIATE_TEST_SUITE_P(Verdicts, Banner, ::testing::Values(
    BannerCase{"Passes", measureOf(ColourClass::CMYK, 300, 72), prePress, "Pre-Press", "Passes Pre-Press", "Passes"},
    BannerCase{"FailsBoth", measureOf(ColourClass::RGB, 72, 72), prePress, "Pre-Press",
               "Fails Pre-Press: colour space RGB, needs CMYK; 72 dpi, needs 300", "Fails: colour, dpi"},
    BannerCase{"FailsColourOnly", measureOf(ColourClass::Grayscale, 300, 72), web, "Web",
               "Fails Web: colour space Grayscale, needs RGB", "Fails: colour"},
    BannerCase{"OneDpiShort", measureOf(ColourClass::CMYK, 299, 72), prePress, "Pre-Press",
               "Fails Pre-Press: 299 dpi, needs 300", "Fails: dpi"},
    BannerCase{"SliderAt75Demands72", measureOf(ColourClass::RGB, 71, 72), {1, true, 75}, "Mine",
               "Fails Mine: 71 dpi, needs 72", "Fails: dpi"},
    BannerCase{"NoUsableResolution", measureOf(ColourClass::RGB, 100, 0), web, "Web",
               "Fails Web: resolution unknown, needs 72 dpi", "Fails: dpi"},
    BannerCase{"OtherClassSaysItsColourWentUnchecked", named(measureOf(ColourClass::Other, 300, 72), "Lab"), prePress,
               "Pre-Press", "Passes Pre-Press (colour not checked: Lab)", "Passes"},
    BannerCase{"OtherClassFailingDpi", named(measureOf(ColourClass::Other, 72, 72), "Multichannel"), prePress,
               "Pre-Press", "Fails Pre-Press: 72 dpi, needs 300 (colour not checked: Multichannel)", "Fails: dpi"},
    BannerCase{"OtherClassWithoutColourCheck", named(measureOf(ColourClass::Other, 300, 72), "Lab"), {0, false, 300},
               "Mine", "Passes Mine", "Passes"},
    BannerCase{"NothingDemandedSaysSo", measureOf(ColourClass::CMYK, 72, 72), none, "None",
               "No demands: every image passes None", "Passes"},
    BannerCase{"DisabledChoiceNeverFailsColour", measureOf(ColourClass::CMYK, 300, 72), {1, false, 300}, "Kept",
               "Passes Kept", "Passes"},
    BannerCase{"NoSettingPicked", measureOf(ColourClass::RGB, 72, 72), prePress, "",
               "No setting picked: choose one above", "Fails: colour, dpi"},
    BannerCase{"UnreadableWhateverTheSetting", unreadable(UnreadableReason::NotAnImage), prePress, "",
               "Unreadable: not an image", "Unreadable"}),
    [](const ::testing::TestParamInfo<BannerCase>& info) { return std::string(info.param.name); });

TEST(BatchSummary, CountsAndNamesTheSettingAndItsDemand)
{
    EXPECT_EQ(batchSummaryText({40, 31, 8, 1, 0}, prePress, QStringLiteral("Pre-Press")),
              QStringLiteral("40 images: 31 pass, 8 fail, 1 unreadable, checked against Pre-Press (CMYK, 300 dpi)"));
    EXPECT_EQ(batchSummaryText({1, 1, 0, 0, 0}, none, QStringLiteral("None")),
              QStringLiteral("1 image: 1 pass, 0 fail, 0 unreadable, checked against None (any colour space, any resolution)"));
    EXPECT_EQ(batchSummaryText({3, 1, 0, 0, 2}, web, QStringLiteral("Web")),
              QStringLiteral("3 images: 1 pass, 0 fail, 0 unreadable, 2 still being read, checked against Web (RGB, 72 dpi)"));
    // No setting picked: no verdicts, so no counts of them either.
    EXPECT_EQ(batchSummaryText({6, 0, 0, 0, 0, 6}, std::nullopt, QString()),
              QStringLiteral("6 images, no setting picked: choose one above"));
    EXPECT_EQ(batchSummaryText({1, 0, 0, 0, 1}, std::nullopt, QString()),
              QStringLiteral("1 image, no setting picked: choose one above"));
    EXPECT_EQ(demandText({1, true, 75}), QStringLiteral("RGB, 72 dpi"));
    // The colour check on with no class chosen fails every class: not "any".
    EXPECT_EQ(demandText({-1, true, 300}), QStringLiteral("no colour space chosen, 300 dpi"));
}

} // namespace
} // namespace quorvel::test
