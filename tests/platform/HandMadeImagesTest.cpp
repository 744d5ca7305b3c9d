// Files whose fields libvips would not write: set one by one through the
// formats' own writers, or laid out by hand.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"

#include <cstring>
#include <functional>

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>

namespace quorvel::test {
namespace {

struct HandMadeCase {
    const char* name;
    std::function<bool(const std::string&)> write;
    std::string_view colourSpace;
    std::optional<double> recordedDpi; // empty: the file records none
    int32_t shownDpi;
    int32_t pixelsHigh = 13;
    int32_t pixelsWide = 20;
};

void PrintTo(const HandMadeCase& c, std::ostream* os) { *os << c.name; }

class HandMade : public ::testing::TestWithParam<HandMadeCase> {};

TEST_P(HandMade, MeasuresWhatTheFileRecords)
{
    const HandMadeCase& c = GetParam();
    const std::string path = scratchPath(std::string("handmade-") + c.name);
    ASSERT_TRUE(c.write(path)) << "could not write " << path;

    const ImageHeader header = readHeaderOf(path);
    ASSERT_TRUE(header.readable);
    EXPECT_EQ(header.pixelsHigh, c.pixelsHigh);
    EXPECT_EQ(header.pixelsWide, c.pixelsWide);
    EXPECT_EQ(header.colourSpaceName, std::string(c.colourSpace));
    ASSERT_EQ(header.verticalDpi.has_value(), c.recordedDpi.has_value())
        << "recorded " << header.verticalDpi.value_or(-1);
    if (c.recordedDpi) {
        EXPECT_NEAR(*header.verticalDpi, *c.recordedDpi, 1e-3);
    }
    EXPECT_EQ(inspectedDpi(path), c.shownDpi);
}

auto name = [](const auto& info) { return std::string(info.param.name); };

constexpr auto rgb = colourspace::rgb;
constexpr auto cmyk = colourspace::cmyk;
constexpr auto grey = colourspace::grayscale;

// ---- PNG ----

auto png(int colourType, int bitDepth, std::optional<PngSpec::Phys> phys, size_t privateChunk = 0)
{
    return [=](const std::string& path) {
        PngSpec s;
        s.colourType = colourType;
        s.bitDepth = bitDepth;
        s.phys = phys;
        s.privateChunkBytes = privateChunk;
        return writePng(path, s);
    };
}

constexpr int metre = PNG_RESOLUTION_METER;
constexpr int unknownUnit = PNG_RESOLUTION_UNKNOWN;

INSTANTIATE_TEST_SUITE_P(Png, HandMade, ::testing::Values(
    HandMadeCase{"PhysPerMetre300", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{11811, 11811, metre}), rgb, 300, 300},
    HandMadeCase{"PhysPerMetre150", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{5905, 5905, metre}), rgb, 150, 150},
    HandMadeCase{"PhysPerMetre100", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{3937, 3937, metre}), rgb, 100, 100},
    HandMadeCase{"PhysVerticalIsUsed", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{11811, 5905, metre}), rgb, 150, 150},
    HandMadeCase{"PhysUnitUnknown", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{11811, 11811, unknownUnit}), rgb, std::nullopt, 72},
    HandMadeCase{"NoPhys", png(PNG_COLOR_TYPE_RGB, 8, std::nullopt), rgb, std::nullopt, 72},
    HandMadeCase{"PhysAfterLargeChunk", png(PNG_COLOR_TYPE_RGB, 8, PngSpec::Phys{11811, 11811, metre}, 300000), rgb, 300, 300},
    HandMadeCase{"Palette", png(PNG_COLOR_TYPE_PALETTE, 8, std::nullopt), rgb, std::nullopt, 72},
    HandMadeCase{"Palette2Bit", png(PNG_COLOR_TYPE_PALETTE, 2, std::nullopt), rgb, std::nullopt, 72},
    HandMadeCase{"Grey1Bit", png(PNG_COLOR_TYPE_GRAY, 1, std::nullopt), grey, std::nullopt, 72},
    HandMadeCase{"Grey4Bit", png(PNG_COLOR_TYPE_GRAY, 4, std::nullopt), grey, std::nullopt, 72},
    HandMadeCase{"GreyAlpha16", png(PNG_COLOR_TYPE_GRAY_ALPHA, 16, std::nullopt), grey, std::nullopt, 72},
    HandMadeCase{"Rgba16", png(PNG_COLOR_TYPE_RGB_ALPHA, 16, PngSpec::Phys{11811, 11811, metre}), rgb, 300, 300}), name);

// ---- TIFF ----

struct Res { std::optional<float> x, y; std::optional<uint16_t> unit; };

auto tiff(uint16_t photometric, uint16_t samples, uint16_t bits, Res res = {},
          std::function<void(TiffSpec&)> tweak = nullptr)
{
    return [=](const std::string& path) {
        TiffSpec s;
        s.photometric = photometric;
        s.samples = samples;
        s.bits = bits;
        s.xResolution = res.x;
        s.yResolution = res.y;
        s.resolutionUnit = res.unit;
        if (tweak)
            tweak(s);
        return writeTiff(path, s);
    };
}

constexpr uint16_t minBlack = PHOTOMETRIC_MINISBLACK;
constexpr uint16_t rgbPm = PHOTOMETRIC_RGB;
constexpr uint16_t separated = PHOTOMETRIC_SEPARATED;
const Res inch300 {300.0f, 300.0f, RESUNIT_INCH};

INSTANTIATE_TEST_SUITE_P(Tiff, HandMade, ::testing::Values(
    HandMadeCase{"NoResolution", tiff(rgbPm, 3, 8), rgb, std::nullopt, 72},
    HandMadeCase{"ResolutionWithoutUnitIsPerInch", tiff(rgbPm, 3, 8, {300.0f, 300.0f, {}}), rgb, 300, 300},
    HandMadeCase{"UnitNone", tiff(rgbPm, 3, 8, {300.0f, 300.0f, RESUNIT_NONE}), rgb, std::nullopt, 72},
    HandMadeCase{"PerCentimetreJustBelowWhole", tiff(rgbPm, 3, 8, {118.0f, 118.0f, RESUNIT_CENTIMETER}), rgb, 299.72, 299},
    HandMadeCase{"PerCentimetreSnaps", tiff(rgbPm, 3, 8, {118.11f, 118.11f, RESUNIT_CENTIMETER}), rgb, 300, 300},
    HandMadeCase{"VerticalIsUsed", tiff(rgbPm, 3, 8, {300.0f, 150.0f, RESUNIT_INCH}), rgb, 150, 150},
    HandMadeCase{"ZeroResolutionRecordsNone", tiff(rgbPm, 3, 8, {0.0f, 0.0f, RESUNIT_INCH}), rgb, std::nullopt, 72},
    HandMadeCase{"BigEndian", tiff(separated, 4, 8, inch300, [](TiffSpec& s) { s.bigEndian = true; }), cmyk, 300, 300},
    HandMadeCase{"BigTiff", tiff(rgbPm, 3, 16, inch300, [](TiffSpec& s) { s.bigTiff = true; }), rgb, 300, 300},
    HandMadeCase{"FirstOfTwoPages", tiff(rgbPm, 3, 8, inch300, [](TiffSpec& s) { s.secondPage = true; }), rgb, 300, 300},
    HandMadeCase{"LargeProfileIsSkipped", tiff(separated, 4, 8, inch300, [](TiffSpec& s) { s.largeTagBytes = 2 << 20; }), cmyk, 300, 300},
    HandMadeCase{"MinIsWhite1Bit", tiff(PHOTOMETRIC_MINISWHITE, 1, 1), grey, std::nullopt, 72},
    HandMadeCase{"Grey4Bit", tiff(minBlack, 1, 4), grey, std::nullopt, 72},
    HandMadeCase{"GreyAlpha16", tiff(minBlack, 2, 16, {}, [](TiffSpec& s) { s.extraSamples = 1; }), grey, std::nullopt, 72},
    HandMadeCase{"GreyFloat", tiff(minBlack, 1, 32, {}, [](TiffSpec& s) { s.sampleFormat = SAMPLEFORMAT_IEEEFP; }), "Gray float", std::nullopt, 72},
    HandMadeCase{"Rgb32BitInteger", tiff(rgbPm, 3, 32), "RGB 32-bit", std::nullopt, 72},
    HandMadeCase{"RgbFloat", tiff(rgbPm, 3, 32, {}, [](TiffSpec& s) { s.sampleFormat = SAMPLEFORMAT_IEEEFP; }), "RGB float", std::nullopt, 72},
    HandMadeCase{"RgbWithTwoExtraChannels", tiff(rgbPm, 5, 8, {}, [](TiffSpec& s) { s.extraSamples = 2; }), "Multiband", std::nullopt, 72},
    HandMadeCase{"Palette", tiff(PHOTOMETRIC_PALETTE, 1, 8), rgb, std::nullopt, 72},
    HandMadeCase{"Palette16BitColourMap", tiff(PHOTOMETRIC_PALETTE, 1, 16), rgb, std::nullopt, 72},
    HandMadeCase{"CmykAlpha", tiff(separated, 5, 8, inch300, [](TiffSpec& s) { s.extraSamples = 1; }), cmyk, 300, 300},
    HandMadeCase{"MultiInk", tiff(separated, 5, 8, {}, [](TiffSpec& s) { s.inkSet = INKSET_MULTIINK; }), "DeviceN", std::nullopt, 72},
    HandMadeCase{"CieLab", tiff(PHOTOMETRIC_CIELAB, 3, 8), "Lab", std::nullopt, 72}), name);

// ---- JPEG ----

auto jpeg(JpegStore store, bool jfif, uint8_t unit, uint16_t density, Bytes exif = {},
          std::function<void(JpegSpec&)> tweak = nullptr)
{
    return [=](const std::string& path) {
        JpegSpec s;
        s.store = store;
        s.jfif = jfif;
        s.jfifUnit = unit;
        s.xDensity = density;
        s.yDensity = density;
        s.exif = exif;
        if (tweak)
            tweak(s);
        return writeJpeg(path, s);
    };
}

Bytes exif(std::optional<std::pair<uint32_t, uint32_t>> y, std::optional<uint16_t> unit,
           std::function<void(ExifSpec&)> tweak = nullptr)
{
    ExifSpec s;
    s.xResolution = y;
    s.yResolution = y;
    s.unit = unit;
    if (tweak)
        tweak(s);
    return exifBlock(s);
}

using R = std::pair<uint32_t, uint32_t>;
constexpr auto ycc = JpegStore::YCbCr;

INSTANTIATE_TEST_SUITE_P(Jpeg, HandMade, ::testing::Values(
    HandMadeCase{"JfifPerInch", jpeg(ycc, true, 1, 300), rgb, 300, 300},
    HandMadeCase{"JfifPerCentimetre", jpeg(ycc, true, 2, 118), rgb, 299.72, 299},
    HandMadeCase{"JfifUnitZeroNoExif", jpeg(ycc, true, 0, 1), rgb, std::nullopt, 72},
    HandMadeCase{"JfifUnitZeroExifPerInch", jpeg(ycc, true, 0, 1, exif(R{300, 1}, 2)), rgb, 300, 300},
    HandMadeCase{"JfifUnitZeroExifPerCentimetre", jpeg(ycc, true, 0, 1, exif(R{118, 1}, 3)), rgb, 299.72, 299},
    HandMadeCase{"ExifPerCentimetreSnaps", jpeg(ycc, true, 0, 1, exif(R{11811, 100}, 3)), rgb, 300, 300},
    HandMadeCase{"ExifWithoutUnitIsPerInch", jpeg(ycc, true, 0, 1, exif(R{240, 1}, std::nullopt)), rgb, 240, 240},
    HandMadeCase{"ExifWithoutResolution", jpeg(ycc, true, 0, 1, exif(std::nullopt, std::nullopt)), rgb, std::nullopt, 72},
    HandMadeCase{"ExifUnitNone", jpeg(ycc, true, 0, 1, exif(R{300, 1}, 1)), rgb, std::nullopt, 72},
    HandMadeCase{"ExifZeroDenominator", jpeg(ycc, true, 0, 1, exif(R{300, 0}, 2)), rgb, std::nullopt, 72},
    HandMadeCase{"ExifBigEndian", jpeg(ycc, true, 0, 1, exif(R{600, 1}, 2, [](ExifSpec& s) { s.bigEndian = true; })), rgb, 600, 600},
    HandMadeCase{"ExifVerticalIsUsed", jpeg(ycc, true, 0, 1, exif(R{150, 1}, 2, [](ExifSpec& s) { s.xResolution = R{300, 1}; })), rgb, 150, 150},
    HandMadeCase{"ExifAfterXmpSegment", jpeg(ycc, true, 0, 1, exif(R{300, 1}, 2), [](JpegSpec& s) { s.xmpBeforeExif = true; }), rgb, 300, 300},
    HandMadeCase{"JfifDensityWinsOverExif", jpeg(ycc, true, 1, 300, exif(R{72, 1}, 2)), rgb, 300, 300},
    HandMadeCase{"JfifZeroDensityFallsToExif", jpeg(ycc, true, 1, 0, exif(R{200, 1}, 2)), rgb, 200, 200},
    HandMadeCase{"NoJfifExifOnly", jpeg(ycc, false, 0, 1, exif(R{300, 1}, 2)), rgb, 300, 300},
    HandMadeCase{"NoJfifNoExif", jpeg(ycc, false, 0, 1), rgb, std::nullopt, 72},
    HandMadeCase{"Progressive", jpeg(ycc, true, 1, 300, {}, [](JpegSpec& s) { s.progressive = true; }), rgb, 300, 300},
    HandMadeCase{"Grey", jpeg(JpegStore::Grey, true, 1, 300), grey, 300, 300},
    HandMadeCase{"RgbAdobe", jpeg(JpegStore::RGB, false, 0, 1), rgb, std::nullopt, 72},
    HandMadeCase{"CmykAdobe", jpeg(JpegStore::CMYK, false, 0, 1, exif(R{300, 1}, 2)), cmyk, 300, 300},
    HandMadeCase{"Ycck", jpeg(JpegStore::YCCK, false, 0, 1, exif(R{300, 1}, 2)), cmyk, 300, 300}), name);

// ---- WebP and GIF ----

auto webp(Bytes exifChunk)
{
    return [=](const std::string& path) { return writeWebp(path, 20, 13, exifChunk); };
}

auto gif()
{
    return [](const std::string& path) { return writeBytes(path, gifBytes(20, 13)); };
}

INSTANTIATE_TEST_SUITE_P(WebpGif, HandMade, ::testing::Values(
    HandMadeCase{"WebpSimple", webp({}), rgb, std::nullopt, 72},
    HandMadeCase{"WebpExifWithPrefix", webp(exif(R{300, 1}, 2)), rgb, 300, 300},
    HandMadeCase{"WebpExifBare", webp(exif(R{11811, 100}, 3, [](ExifSpec& s) { s.withPrefix = false; })), rgb, 300, 300},
    HandMadeCase{"Gif", gif(), rgb, std::nullopt, 72}), name);

// ---- Layered documents and bitmaps ----

auto psd(uint16_t mode, uint16_t channels, uint16_t depth, std::optional<PsdRecipe::Resolution> res,
         std::function<void(PsdRecipe&)> tweak = nullptr)
{
    return [=](const std::string& path) {
        PsdRecipe s;
        s.mode = mode;
        s.channels = channels;
        s.depth = depth;
        s.resolution = res;
        if (tweak)
            tweak(s);
        return writeBytes(path, psdBytes(s));
    };
}

constexpr uint16_t psdRgb = 3, psdCmyk = 4, psdGrey = 1;
constexpr PsdRecipe::Resolution psd300 {300, 300, 1};
// What a metric entry leaves in the file: pixels per inch, unit centimetres.
constexpr PsdRecipe::Resolution psd118_11cm {118.11 * 2.54, 118.11 * 2.54, 2};
constexpr PsdRecipe::Resolution psd118cm {118 * 2.54, 118 * 2.54, 2};

INSTANTIATE_TEST_SUITE_P(Psd, HandMade, ::testing::Values(
    HandMadeCase{"PsdNoResolutionResource", psd(psdRgb, 3, 8, std::nullopt), rgb, std::nullopt, 72},
    HandMadeCase{"PsdCmykPerInch", psd(psdCmyk, 4, 8, psd300), cmyk, 300, 300},
    HandMadeCase{"PsdPerCentimetreSnaps", psd(psdRgb, 3, 8, psd118_11cm), rgb, 300, 300},
    HandMadeCase{"PsdPerCentimetreJustBelowWhole", psd(psdRgb, 3, 8, psd118cm), rgb, 299.72, 299},
    // The same stored value entered per inch is exact: no snapping.
    HandMadeCase{"PsdPerInchIsNotSnapped", psd(psdRgb, 3, 8, PsdRecipe::Resolution{299.9994, 299.9994, 1}), rgb, 299.9994, 299},
    HandMadeCase{"PsdVerticalIsUsed", psd(psdRgb, 3, 8, PsdRecipe::Resolution{300, 150, 1}), rgb, 150, 150},
    HandMadeCase{"PsdGrey16Bit", psd(psdGrey, 1, 16, psd300), grey, 300, 300},
    HandMadeCase{"PsdRgb32Bit", psd(psdRgb, 3, 32, std::nullopt), "RGB float", std::nullopt, 72},
    HandMadeCase{"PsdBitmap", psd(0, 1, 1, psd300), grey, 300, 300},
    HandMadeCase{"PsdIndexed", psd(2, 1, 8, std::nullopt), rgb, std::nullopt, 72},
    HandMadeCase{"PsdLab", psd(9, 3, 16, psd300), "Lab", 300, 300},
    HandMadeCase{"PsdMultichannel", psd(7, 2, 8, std::nullopt), "Multichannel", std::nullopt, 72},
    HandMadeCase{"PsdDuotone", psd(8, 1, 8, std::nullopt), "Duotone", std::nullopt, 72},
    HandMadeCase{"PsdCmykWithAlphaAndLayers", psd(psdCmyk, 5, 8, psd300, [](PsdRecipe& s) { s.layers = 4; }), cmyk, 300, 300},
    // The large variant, beyond the first version's 30000-pixel limit.
    HandMadeCase{"PsbBeyondTheFirstVersion", psd(psdCmyk, 4, 8, psd300, [](PsdRecipe& s) {
                     s.version = 2;
                     s.height = 40000;
                     s.width = 30001;
                     s.layers = 2;
                 }), cmyk, 300, 300, 40000, 30001}), name);

auto bmp(uint32_t headerSize, uint16_t bitCount, int32_t perMetre, std::function<void(BmpRecipe&)> tweak = nullptr)
{
    return [=](const std::string& path) {
        BmpRecipe s;
        s.headerSize = headerSize;
        s.bitCount = bitCount;
        s.xPerMetre = s.yPerMetre = perMetre;
        if (tweak)
            tweak(s);
        return writeBytes(path, bmpBytes(s));
    };
}

INSTANTIATE_TEST_SUITE_P(Bmp, HandMade, ::testing::Values(
    HandMadeCase{"BmpInfo300", bmp(40, 24, 11811), rgb, 300, 300},
    HandMadeCase{"BmpZeroPerMetreRecordsNone", bmp(40, 24, 0), rgb, std::nullopt, 72},
    HandMadeCase{"BmpNegativePerMetreRecordsNone", bmp(40, 24, -11811), rgb, std::nullopt, 72},
    HandMadeCase{"BmpVerticalIsUsed", bmp(40, 24, 11811, [](BmpRecipe& s) { s.yPerMetre = 5906; }), rgb, 150, 150},
    HandMadeCase{"BmpCoreHeaderRecordsNone", bmp(12, 8, 0), rgb, std::nullopt, 72},
    HandMadeCase{"BmpCoreHeaderGreyPalette", bmp(12, 4, 0, [](BmpRecipe& s) { s.greyPalette = true; }), grey, std::nullopt, 72},
    HandMadeCase{"BmpV4Alpha", bmp(108, 32, 3937, [](BmpRecipe& s) { s.alphaMask = 0xFF000000; s.compression = 3; }), rgb, 100, 100},
    HandMadeCase{"BmpV5TopDown", bmp(124, 24, 2835, [](BmpRecipe& s) { s.height = -13; }), rgb, 72, 72},
    HandMadeCase{"Bmp1BitBlackAndWhite", bmp(40, 1, 11811, [](BmpRecipe& s) { s.greyPalette = true; }), grey, 300, 300},
    HandMadeCase{"Bmp1BitTwoColours", bmp(40, 1, 11811), rgb, 300, 300},
    HandMadeCase{"Bmp8BitGrey", bmp(40, 8, 0, [](BmpRecipe& s) { s.greyPalette = true; }), grey, std::nullopt, 72},
    HandMadeCase{"Bmp16BitFields", bmp(40, 16, 0, [](BmpRecipe& s) { s.compression = 3; }), rgb, std::nullopt, 72}), name);


// ---- JPEG 2000 and Netpbm ----

auto jp2(std::function<void(Jp2Recipe&)> tweak = nullptr, bool codestreamOnly = false)
{
    return [=](const std::string& path) {
        Jp2Recipe s;
        if (tweak)
            tweak(s);
        return writeBytes(path, jp2Bytes(s, codestreamOnly));
    };
}

// Grid points per metre as N / D * 10^E, both axes alike.
constexpr Jp2Recipe::Resolution jp2Res(uint16_t n, uint16_t d, int8_t e)
{
    return {n, d, n, d, e, e};
}

// An ICC header naming its data colour space; the rest of a profile is not read here.
Bytes profileFor(const char space[5])
{
    Bytes p(128, 0);
    p[3] = 128;
    std::memcpy(p.data() + 16, space, 4);
    std::memcpy(p.data() + 36, "acsp", 4);
    return p;
}

INSTANTIATE_TEST_SUITE_P(Jp2, HandMade, ::testing::Values(
    HandMadeCase{"Jp2CapturePerMetreSnaps", jp2([](Jp2Recipe& s) { s.capture = jp2Res(11811, 1, 0); }), rgb, 300, 300},
    HandMadeCase{"Jp2CaptureWinsOverDisplay", jp2([](Jp2Recipe& s) {
        s.capture = jp2Res(11811, 1, 0);
        s.display = jp2Res(2835, 1, 0);
    }), rgb, 300, 300},
    HandMadeCase{"Jp2DisplayAlone", jp2([](Jp2Recipe& s) { s.display = jp2Res(5906, 1, 0); }), rgb, 150, 150},
    HandMadeCase{"Jp2CaptureRecordingNothingFallsToDisplay", jp2([](Jp2Recipe& s) {
        s.capture = jp2Res(11811, 0, 0);
        s.display = jp2Res(5906, 1, 0);
    }), rgb, 150, 150},
    HandMadeCase{"Jp2ExponentAndDenominator", jp2([](Jp2Recipe& s) { s.capture = jp2Res(3937, 100, 2); }), rgb, 100, 100},
    HandMadeCase{"Jp2NegativeExponent", jp2([](Jp2Recipe& s) { s.capture = jp2Res(23622, 2, -1); }), rgb, 30, 30},
    HandMadeCase{"Jp2FarFromWholeIsKept", jp2([](Jp2Recipe& s) { s.capture = jp2Res(4650, 1, 0); }), rgb, 118.11, 118},
    HandMadeCase{"Jp2VerticalIsUsed", jp2([](Jp2Recipe& s) { s.capture = Jp2Recipe::Resolution{5906, 1, 11811, 1, 0, 0}; }), rgb, 150, 150},
    HandMadeCase{"Jp2NoResolutionBox", jp2(), rgb, std::nullopt, 72},
    HandMadeCase{"Jp2ExtendedLengths", jp2([](Jp2Recipe& s) {
        s.extendedLengths = true;
        s.codestreamRunsToEnd = false;
        s.capture = jp2Res(11811, 1, 0);
    }), rgb, 300, 300},
    HandMadeCase{"Jp2Grey", jp2([](Jp2Recipe& s) { s.components = 1; s.enumeratedSpace = 17; }), grey, std::nullopt, 72},
    HandMadeCase{"Jp2Grey12Bit", jp2([](Jp2Recipe& s) { s.components = 1; s.depth = 12; s.enumeratedSpace = 17; }), grey, std::nullopt, 72},
    HandMadeCase{"Jp2Rgb20Bit", jp2([](Jp2Recipe& s) { s.depth = 20; }), "RGB 32-bit", std::nullopt, 72},
    HandMadeCase{"Jp2Sycc", jp2([](Jp2Recipe& s) { s.enumeratedSpace = 18; }), rgb, std::nullopt, 72},
    HandMadeCase{"Jp2Cmyk", jp2([](Jp2Recipe& s) { s.components = 4; s.enumeratedSpace = 12; s.capture = jp2Res(11811, 1, 0); }), cmyk, 300, 300},
    HandMadeCase{"Jp2Lab", jp2([](Jp2Recipe& s) { s.enumeratedSpace = 14; }), "Lab", std::nullopt, 72},
    HandMadeCase{"Jp2GreyProfile", jp2([](Jp2Recipe& s) { s.components = 1; s.profile = profileFor("GRAY"); }), grey, std::nullopt, 72},
    HandMadeCase{"Jp2CmykProfile", jp2([](Jp2Recipe& s) { s.components = 4; s.profile = profileFor("CMYK"); }), cmyk, std::nullopt, 72},
    HandMadeCase{"Jp2WithoutColourBoxRgba", jp2([](Jp2Recipe& s) { s.components = 4; s.enumeratedSpace.reset(); }), rgb, std::nullopt, 72},
    HandMadeCase{"Jp2Wide", jp2([](Jp2Recipe& s) { s.width = 70000; s.height = 3; s.tileWide = 1024; }), rgb, std::nullopt, 72, 3, 70000},
    HandMadeCase{"J2kCodestream", jp2([](Jp2Recipe& s) { s.capture = jp2Res(11811, 1, 0); }, true), rgb, std::nullopt, 72},
    HandMadeCase{"J2kGrey", jp2([](Jp2Recipe& s) { s.components = 1; }, true), grey, std::nullopt, 72}), name);

auto netpbm(std::string header)
{
    return [=](const std::string& path) { return writeBytes(path, netpbmBytes(header)); };
}

INSTANTIATE_TEST_SUITE_P(Netpbm, HandMade, ::testing::Values(
    HandMadeCase{"PbmPlainWithComments", netpbm("P1\n# made by hand\n21 # wide\n# and\n13\n"), grey, std::nullopt, 72, 13, 21},
    HandMadeCase{"PbmRawCommentBeforeWidth", netpbm("P4 #c\n21\t13\n"), grey, std::nullopt, 72, 13, 21},
    HandMadeCase{"PbmCommentRightAfterTheMagic", netpbm("P4#c\n21 13\n"), grey, std::nullopt, 72, 13, 21},
    HandMadeCase{"PgmPlain16Bit", netpbm("P2\n20 13\n65535\n"), grey, std::nullopt, 72},
    HandMadeCase{"PgmRawCrLf", netpbm("P5\r\n20\r\n13\r\n#x\r\n255\n"), grey, std::nullopt, 72},
    HandMadeCase{"PpmPlain", netpbm("P3 20 13 15 "), rgb, std::nullopt, 72},
    HandMadeCase{"PpmRawCommentsEverywhere", netpbm("P6#a\n#b\n20#c\n13#d\n255\n"), rgb, std::nullopt, 72},
    HandMadeCase{"PamRgbAlpha", netpbm("P7\nWIDTH 20\n# c\nHEIGHT 13\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"), rgb, std::nullopt, 72},
    HandMadeCase{"PamGrayscale", netpbm("P7\nTUPLTYPE GRAYSCALE\nMAXVAL 65535\nDEPTH 1\nHEIGHT 13\nWIDTH 20\nENDHDR\n"), grey, std::nullopt, 72},
    HandMadeCase{"PamBlackAndWhite", netpbm("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 1\nMAXVAL 1\nTUPLTYPE BLACKANDWHITE\nENDHDR\n"), grey, std::nullopt, 72},
    HandMadeCase{"PamWithoutTupleType", netpbm("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\nENDHDR\n"), "Multiband", std::nullopt, 72},
    HandMadeCase{"PamRgbOfTheWrongDepth", netpbm("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 1\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n"), "Multiband", std::nullopt, 72},
    HandMadeCase{"PgmAtTheLargestSide", netpbm("P5 2147483647 1 255\n"), grey, std::nullopt, 72, 1, 2147483647}), name);

} // namespace
} // namespace quorvel::test
