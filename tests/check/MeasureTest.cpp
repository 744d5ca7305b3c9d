#include "check/CheckRules.h"
#include "check/ImageMeasure.h"

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

class FixedReader : public ImageHeaderReader {
public:
    explicit FixedReader(ImageHeader header) : m_header(std::move(header)) {}
    ImageHeader readHeader(const std::string&) const override { return m_header; }

private:
    ImageHeader m_header;
};

TEST(Measure, UnreadableFileIsEmptyAndOther)
{
    const ImageMeasure m = measureImage("/nowhere", FixedReader(ImageHeader{}));
    EXPECT_EQ(m.pixelsHigh, 0);
    EXPECT_EQ(m.pixelsWide, 0);
    EXPECT_EQ(m.heightPoints, 0.0f);
    EXPECT_FALSE(m.colourSpaceName.has_value());
    EXPECT_EQ(m.colourClass, ColourClass::Other);
    EXPECT_EQ(measuredDpi(m.pixelsHigh, m.heightPoints), std::numeric_limits<int32_t>::min());
}

TEST(Measure, NoRecordedResolutionCountsAsSeventyTwo)
{
    ImageHeader h{true, 480, 640, std::nullopt, std::string(colourspace::rgb)};
    const ImageMeasure m = measureFromHeader(h);
    EXPECT_EQ(m.heightPoints, 480.0f);
    EXPECT_EQ(measuredDpi(m.pixelsHigh, m.heightPoints), 72);
    EXPECT_EQ(m.colourClass, ColourClass::RGB);
}

TEST(Measure, RecordedResolutionGivesPhysicalHeight)
{
    ImageHeader h{true, 3600, 2400, 360.0, std::string(colourspace::cmyk)};
    const ImageMeasure m = measureFromHeader(h);
    EXPECT_FLOAT_EQ(m.heightPoints, 720.0f);
    EXPECT_EQ(measuredDpi(m.pixelsHigh, m.heightPoints), 360);
    EXPECT_EQ(m.colourClass, ColourClass::CMYK);
}

TEST(Measure, ZeroRecordedResolutionIsNotFinite)
{
    ImageHeader h{true, 100, 100, 0.0, std::nullopt};
    const ImageMeasure m = measureFromHeader(h);
    EXPECT_EQ(measuredDpi(m.pixelsHigh, m.heightPoints), std::numeric_limits<int32_t>::min());
}

} // namespace
