// The record of one file: facts derived once, verdicts from the rules.
#include "check/ImageRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

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

TEST(ImageRecord, JudgesPrintDemandsFromTheMeasureTheDetailsAndTheInk)
{
    // 2480 x 3508 CMYK at 300 dpi, with a FOGRA39 profile.
    ImageDetails details;
    details.horizontalDpi = details.verticalDpi = 300.0;
    details.hasProfile = true;
    details.profileDescription = "Coated FOGRA39 (ISO 12647-2:2004)";
    const ImageMeasure cmyk = measureOf(3508, 2480, 3508 * 72.0f / 300, "DeviceCMYK");

    // 24 x 24 px at 320 % (4.13 mm² at 300 dpi), the rest at 100 %.
    auto inkWith = [](uint64_t dark) {
        std::array<uint64_t, InkStatistics::binCount> bins{};
        bins[816 * 4] = dark;
        bins[255 * 4] = 1000;
        return std::make_shared<const InkStatistics>(InkStatistics::fromHistogram(bins));
    };
    PrintDemands magazine;
    magazine.trim = parseTrimSize("A4");
    magazine.bleedMm = 3.0;
    magazine.inkLimitPercent = 300;
    magazine.requireProfile = true;
    magazine.profileContains = "fogra39";
    magazine.noTransparency = true;
    magazine.noExtraChannels = true;

    using V = DemandVerdict;
    struct Case {
        const char* name;
        std::function<void(ImageRecord&, PrintDemands&, RuleControls&)> change;
        std::array<V, 5> verdicts; // print size, ink, profile, transparency, extra channels
    };
    const Case cases[] = {
        {"as measured", [](ImageRecord&, PrintDemands&, RuleControls&) {}, {V::Fail, V::Fail, V::Pass, V::Pass, V::Pass}},
        {"no bleed, 2481 wide", [](ImageRecord& r, PrintDemands& d, RuleControls&) { d.bleedMm = 0; r.measure.pixelsWide = 2481; },
         {V::Pass, V::Fail, V::Pass, V::Pass, V::Pass}},
        {"a few dark pixels", [&](ImageRecord& r, PrintDemands&, RuleControls&) { r.ink = inkWith(100); },
         {V::Fail, V::Pass, V::Pass, V::Pass, V::Pass}},
        {"a wider tolerance", [](ImageRecord&, PrintDemands& d, RuleControls&) { d.inkToleranceMm2 = 5.0; },
         {V::Fail, V::Pass, V::Pass, V::Pass, V::Pass}},
        {"ink not measured yet", [](ImageRecord& r, PrintDemands&, RuleControls&) { r.ink.reset(); },
         {V::Fail, V::Unknown, V::Pass, V::Pass, V::Pass}},
        {"RGB pixels", [](ImageRecord& r, PrintDemands&, RuleControls&) { r.measure.colourClass = ColourClass::RGB; },
         {V::Fail, V::NotApplicable, V::Pass, V::Pass, V::Pass}},
        {"no dpi demanded", [](ImageRecord&, PrintDemands&, RuleControls& c) { c.sliderValue = 0; },
         {V::Unknown, V::Fail, V::Pass, V::Pass, V::Pass}},
        {"another profile", [](ImageRecord& r, PrintDemands&, RuleControls&) { r.details->profileDescription = "GRACoL2006"; },
         {V::Fail, V::Fail, V::Fail, V::Pass, V::Pass}},
        {"no profile", [](ImageRecord& r, PrintDemands& d, RuleControls&) { r.details->hasProfile = false; d.profileContains.clear(); },
         {V::Fail, V::Fail, V::Fail, V::Pass, V::Pass}},
        {"alpha and a spot channel", [](ImageRecord& r, PrintDemands&, RuleControls&) { r.details->alpha = true; r.details->extraChannels = 1; },
         {V::Fail, V::Fail, V::Pass, V::Fail, V::Fail}},
        {"no details read", [](ImageRecord& r, PrintDemands&, RuleControls&) { r.details.reset(); },
         {V::Fail, V::Fail, V::Unknown, V::Unknown, V::Unknown}},
        {"nothing demanded", [](ImageRecord&, PrintDemands& d, RuleControls&) { d = PrintDemands{}; },
         {V::Off, V::Off, V::Off, V::Off, V::Off}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageRecord record = makeRecord(cmyk, details);
        record.ink = inkWith(576);
        PrintDemands demands = magazine;
        RuleControls rules{0, true, 300};
        c.change(record, demands, rules);
        rules.demands = demands;
        const Judgement j = judge(record, rules);
        const Demand order[] = {Demand::PrintSize, Demand::Ink, Demand::Profile, Demand::Transparency, Demand::ExtraChannels};
        std::vector<Demand> failing;
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(j.demands.verdict(order[i]), c.verdicts[i]) << demandKey(order[i]);
            if (c.verdicts[i] == V::Fail)
                failing.push_back(order[i]);
        }
        EXPECT_EQ(j.demands.failing(), failing);
        EXPECT_EQ(j.fails(), !failing.empty() || j.dpiFails || j.colourFails);
    }

    // The figures that the views print.
    ImageRecord record = makeRecord(cmyk, details);
    record.ink = inkWith(576);
    RuleControls rules{0, true, 300};
    rules.demands = magazine;
    const Judgement j = judge(record, rules);
    EXPECT_EQ(j.demands.neededPixels, (PixelSize{2552, 3579}));
    ASSERT_TRUE(j.demands.inkFigures);
    EXPECT_NEAR(j.demands.inkFigures->maximumPercent, 320.0, 1e-9);
    EXPECT_NEAR(j.demands.inkFigures->areaAboveMm2, 576 * (25.4 / 300) * (25.4 / 300), 1e-9);
    EXPECT_FALSE(j.dpiFails);
    EXPECT_FALSE(j.colourFails);
    EXPECT_TRUE(j.fails());
}

} // namespace
} // namespace quorvel
