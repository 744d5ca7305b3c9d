// Files written by libvips, the way most images reach the program: every
// format it writes, with each colour model and resolution unit.
#include "HeaderTestSupport.h"
#include "support/TestImages.h"

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

constexpr auto rgb = colourspace::rgb;
constexpr auto cmyk = colourspace::cmyk;
constexpr auto grey = colourspace::grayscale;

struct WrittenCase {
    const char* name;
    const char* suffix;
    ImageSpecForTest spec;
    std::string_view colourSpace;
    std::optional<double> recordedDpi; // empty: the file records none
    int32_t shownDpi;
};

void PrintTo(const WrittenCase& c, std::ostream* os) { *os << c.name; }

ImageSpecForTest spec(Model model, double dpi, bool sixteenBit = false,
                      ResolutionUnitForTest unit = ResolutionUnitForTest::WriterDefault, bool profile = false)
{
    ImageSpecForTest s;
    s.width = 20; // not square, so a swap of height and width shows
    s.height = 13;
    s.model = model;
    s.dpi = dpi;
    s.sixteenBit = sixteenBit;
    s.unit = unit;
    s.embedCmykProfile = profile;
    return s;
}

constexpr auto inch = ResolutionUnitForTest::Inch;
constexpr auto cm = ResolutionUnitForTest::Centimetre;

const WrittenCase writtenCases[] = {
    // TIFF: libvips records centimetres unless told otherwise.
    {"TiffRgbCm", ".tif", spec(Model::RGB, 300), rgb, 300, 300},
    {"TiffRgbInch", ".tif", spec(Model::RGB, 300, false, inch), rgb, 300, 300},
    {"TiffRgb72", ".tif", spec(Model::RGB, 72), rgb, 72, 72},
    {"TiffRgb16", ".tif", spec(Model::RGB, 240, true), rgb, 240, 240},
    {"TiffRgba", ".tif", spec(Model::RGBA, 300), rgb, 300, 300},
    {"TiffCmyk", ".tif", spec(Model::CMYK, 300), cmyk, 300, 300},
    {"TiffCmyk16", ".tif", spec(Model::CMYK, 300, true), cmyk, 300, 300},
    {"TiffCmykWithProfile", ".tif", spec(Model::CMYK, 350, false, inch, true), cmyk, 350, 350},
    {"TiffGrey", ".tif", spec(Model::Grey, 150), grey, 150, 150},
    {"TiffGrey16", ".tif", spec(Model::Grey, 600, true), grey, 600, 600},
    {"TiffGreyAlpha", ".tif", spec(Model::GreyAlpha, 300), grey, 300, 300},
    {"TiffLab", ".tif", spec(Model::Lab, 300), "Lab", 300, 300},
    {"TiffCmJustBelowWhole", ".tif", spec(Model::RGB, 299.72, false, cm), rgb, 299.72, 299},
    // JPEG: libvips writes no JFIF segment, only EXIF with its unit.
    {"JpegRgb", ".jpg", spec(Model::RGB, 300), rgb, 300, 300},
    {"JpegRgbExifCm", ".jpg", spec(Model::RGB, 300, false, cm), rgb, 300, 300},
    {"JpegCmyk", ".jpg", spec(Model::CMYK, 300), cmyk, 300, 300},
    {"JpegCmykWithProfile", ".jpg", spec(Model::CMYK, 300, false, inch, true), cmyk, 300, 300},
    {"JpegGrey", ".jpg", spec(Model::Grey, 200), grey, 200, 200},
    // PNG: pixels per metre, so 300 dpi is stored as 11811.
    {"PngRgb300", ".png", spec(Model::RGB, 300), rgb, 300, 300},
    {"PngRgb150", ".png", spec(Model::RGB, 150), rgb, 150, 150},
    {"PngRgba", ".png", spec(Model::RGBA, 72), rgb, 72, 72},
    {"PngRgb16", ".png", spec(Model::RGB, 300, true), rgb, 300, 300},
    {"PngGrey16", ".png", spec(Model::Grey, 300, true), grey, 300, 300},
    {"PngGreyAlpha", ".png", spec(Model::GreyAlpha, 96), grey, 96, 96},
    // WebP: always RGB; the resolution comes from its EXIF chunk.
    {"WebpRgb", ".webp", spec(Model::RGB, 300), rgb, 300, 300},
    {"WebpRgba", ".webp", spec(Model::RGBA, 150), rgb, 150, 150},
    // Through libvips: HEIF keeps EXIF; GIF records no resolution.
    {"HeifRgb", ".heic", spec(Model::RGB, 300), rgb, 300, 300},
    {"GifRgb", ".gif", spec(Model::RGB, 300), rgb, std::nullopt, 72},
};

class WrittenImages : public ::testing::TestWithParam<WrittenCase> {};

TEST_P(WrittenImages, MeasuresWhatTheFileRecords)
{
    const WrittenCase& c = GetParam();
    const std::string path = scratchPath(std::string("written-") + c.name + c.suffix);
    ASSERT_TRUE(writeTestImage(QString::fromStdString(path), c.spec)) << "libvips could not write " << path;

    const ImageHeader header = readHeaderOf(path);
    ASSERT_TRUE(header.readable);
    EXPECT_EQ(header.pixelsHigh, 13);
    EXPECT_EQ(header.pixelsWide, 20);
    EXPECT_EQ(header.colourSpaceName, std::string(c.colourSpace));
    ASSERT_EQ(header.verticalDpi.has_value(), c.recordedDpi.has_value());
    if (c.recordedDpi) {
        EXPECT_NEAR(*header.verticalDpi, *c.recordedDpi, 1e-3);
    }
    EXPECT_EQ(inspectedDpi(path), c.shownDpi);
}

INSTANTIATE_TEST_SUITE_P(Header, WrittenImages, ::testing::ValuesIn(writtenCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvel::test
