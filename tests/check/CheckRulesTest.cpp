#include "check/CheckRules.h"
#include "check/ColourClass.h"
#include "check/Resolution.h"

#include <gtest/gtest.h>

#include <limits>

using namespace quorvel;

namespace {

struct DpiCase {
    int32_t pixelsHigh;
    float heightPoints;
    int32_t measured;
    int32_t slider;
    int32_t required;
    bool fails;
};

class DpiRule : public ::testing::TestWithParam<DpiCase> {};

TEST_P(DpiRule, MeasuresDemandsAndJudges)
{
    const DpiCase c = GetParam();
    EXPECT_EQ(measuredDpi(c.pixelsHigh, c.heightPoints), c.measured);
    EXPECT_EQ(requiredDpi(c.slider), c.required);
    EXPECT_EQ(dpiFails(c.measured, c.required), c.fails);
}

constexpr int32_t kInvalid = std::numeric_limits<int32_t>::min();

INSTANTIATE_TEST_SUITE_P(WorkedExamples, DpiRule, ::testing::Values(
    DpiCase{3000, 720.0f, 300, 300, 300, false},
    DpiCase{3000, 720.5f, 299, 300, 300, true},
    DpiCase{1001, 240.24000549316406f, 300, 300, 300, false},
    DpiCase{500, 500.0f, 72, 75, 72, false},
    DpiCase{497, 500.0f, 71, 75, 72, true},
    DpiCase{500, 500.0f, 72, 74, 74, true},
    DpiCase{1234, 0.0f, kInvalid, 0, 0, true},
    DpiCase{0, 0.0f, kInvalid, 0, 0, true}));

TEST(DpiRule, SliderZeroPassesEveryFiniteResolution)
{
    EXPECT_FALSE(dpiFails(measuredDpi(1, 72000.0f), requiredDpi(0)));
    EXPECT_FALSE(dpiFails(0, requiredDpi(0)));
}

TEST(DpiRule, OnlySeventyFiveIsMapped)
{
    for (int v : {0, 1, 72, 74, 76, 300, 600, -5})
        EXPECT_EQ(requiredDpi(v), v);
}

TEST(DpiRule, JustBelowAWholeResolutionTruncates)
{
    // 299.99 in single precision is still below 300.
    EXPECT_EQ(measuredDpi(29999, 7200.0f), 299);
    EXPECT_TRUE(dpiFails(299, requiredDpi(300)));
}

TEST(DpiRule, OnlyTheHeightEnters)
{
    EXPECT_NE(measuredDpi(600, 144.0f), measuredDpi(600, 288.0f));
    EXPECT_EQ(measuredDpi(600, 144.0f), 300);
}

TEST(DpiRule, OutOfRangeIsInvalid)
{
    EXPECT_EQ(measuredDpi(std::numeric_limits<int32_t>::max(), 1e-30f), kInvalid);
    EXPECT_EQ(measuredDpi(100, std::numeric_limits<float>::quiet_NaN()), kInvalid);
}

// An image recorded at a whole resolution must read exactly that resolution,
// whatever its pixel height: single precision alone would show 349 for an
// image 5 pixels high at 350 dpi.
TEST(DpiRule, EveryWholeResolutionReadsExactly)
{
    EXPECT_EQ(measuredDpi(5, static_cast<float>(5 * 72.0 / 350.0)), 350);
    int wrong = 0;
    for (int dpi = 1; dpi <= 2400; ++dpi) {
        for (int height = 1; height <= 20000; ++height) {
            const float points = static_cast<float>(height * 72.0 / dpi);
            if (measuredDpi(height, points) != dpi && ++wrong < 5)
                ADD_FAILURE() << height << " px at " << dpi << " dpi reads " << measuredDpi(height, points);
        }
    }
    EXPECT_EQ(wrong, 0);
}

struct ColourCase {
    ColourClass colourClass;
    bool enabled;
    int32_t row;
    bool fails;
};

class ColourRule : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourRule, Judges)
{
    const ColourCase c = GetParam();
    EXPECT_EQ(colourFails(c.colourClass, c.row, c.enabled), c.fails);
}

INSTANTIATE_TEST_SUITE_P(WorkedExamples, ColourRule, ::testing::Values(
    ColourCase{ColourClass::CMYK, true, 0, false},
    ColourCase{ColourClass::CMYK, true, 1, true},
    ColourCase{ColourClass::CMYK, true, 2, true},
    ColourCase{ColourClass::CMYK, true, -1, true},
    ColourCase{ColourClass::RGB, true, 1, false},
    ColourCase{ColourClass::RGB, true, -1, true},
    ColourCase{ColourClass::Grayscale, true, 0, true},
    ColourCase{ColourClass::Grayscale, true, 2, false},
    ColourCase{ColourClass::CMYK, false, 1, false},
    ColourCase{ColourClass::RGB, false, -1, false},
    ColourCase{ColourClass::Grayscale, false, 0, false},
    ColourCase{ColourClass::Other, true, 0, false},
    ColourCase{ColourClass::Other, false, -1, false}));

TEST(ColourSpaces, ExactNamesOnly)
{
    EXPECT_EQ(classifyColourSpace(std::string(colourspace::cmyk)), ColourClass::CMYK);
    EXPECT_EQ(classifyColourSpace(std::string(colourspace::rgb)), ColourClass::RGB);
    EXPECT_EQ(classifyColourSpace(std::string(colourspace::grayscale)), ColourClass::Grayscale);
    EXPECT_EQ(classifyColourSpace(std::nullopt), ColourClass::Other);
    EXPECT_EQ(classifyColourSpace(std::string("DeviceRGB")), ColourClass::Other);
    EXPECT_EQ(classifyColourSpace(std::string("devicecmyk")), ColourClass::Other);
    EXPECT_EQ(classifyColourSpace(std::string()), ColourClass::Other);
}

TEST(Resolution, MetricValuesSnapToWholeDpiWithinTolerance)
{
    EXPECT_DOUBLE_EQ(dotsPerInch(11811, ResolutionUnit::Metre), 300.0);
    EXPECT_DOUBLE_EQ(dotsPerInch(5905, ResolutionUnit::Metre), 150.0);
    EXPECT_DOUBLE_EQ(dotsPerInch(2835, ResolutionUnit::Metre), 72.0);
    EXPECT_NEAR(dotsPerInch(118, ResolutionUnit::Centimetre), 299.72, 1e-9);
    EXPECT_DOUBLE_EQ(dotsPerInch(299.5, ResolutionUnit::Inch), 299.5);
    EXPECT_DOUBLE_EQ(dotsPerInch(0, ResolutionUnit::Metre), 0.0);
}

} // namespace
