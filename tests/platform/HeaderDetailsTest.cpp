// The details that the header readers gather, each on a file made to show it,
// and the rule that asking for them never changes the measure.
#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>
#include <vips/vips8>

#include <functional>

#include <zlib.h>

using namespace quorvel;
using quorvel::test::Model;

namespace {

using vips::VImage;

VImage solid(int bands, VipsInterpretation interpretation, double xdpi, double ydpi, VipsBandFormat format = VIPS_FORMAT_UCHAR)
{
    VImage image = (VImage::black(24, 18, VImage::option()->set("bands", bands)) + 100).cast(format);
    return image.copy(VImage::option()
                          ->set("interpretation", interpretation)
                          ->set("xres", xdpi / 25.4)
                          ->set("yres", ydpi / 25.4));
}

VImage withProfile(VImage image, const char* builtin)
{
    VipsBlob* blob = nullptr;
    if (vips_profile_load(builtin, &blob, nullptr) != 0)
        throw vips::VError();
    image = image.copy();
    vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, blob->area.data, blob->area.length);
    vips_area_unref(&blob->area);
    return image;
}

QByteArray profileBytes(const char* builtin)
{
    VipsBlob* blob = nullptr;
    if (vips_profile_load(builtin, &blob, nullptr) != 0)
        throw vips::VError();
    QByteArray bytes(static_cast<const char*>(blob->area.data), static_cast<qsizetype>(blob->area.length));
    vips_area_unref(&blob->area);
    return bytes;
}

QByteArray encoded(const VImage& image, const char* suffix)
{
    void* data = nullptr;
    size_t size = 0;
    image.write_to_buffer(suffix, &data, &size);
    QByteArray bytes(static_cast<const char*>(data), static_cast<qsizetype>(size));
    g_free(data);
    return bytes;
}

void writeBytes(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw vips::VError("cannot write");
}

// Writers drop a profile that does not suit the pixels; these put one in by hand.
QByteArray jpegWithProfile(const QByteArray& jpeg, const QByteArray& profile)
{
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(static_cast<quint16>(2 + 14 + profile.size()), length.data());
    return jpeg.left(2) + QByteArray("\xFF\xE2", 2) + length + QByteArray("ICC_PROFILE\0\x01\x01", 14) + profile
        + jpeg.mid(2);
}

QByteArray pngWithProfile(const QByteArray& png, const QByteArray& profile)
{
    const QByteArray data = QByteArray("sRGB\0\0", 6) + qCompress(profile).mid(4); // name, method, zlib stream
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), chunk.data());
    const QByteArray typed = QByteArray("iCCP") + data;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), typed.size())),
                          crc.data());
    const qsizetype afterHeader = 8 + 8 + 13 + 4; // signature, IHDR
    return png.left(afterHeader) + chunk + typed + crc + png.mid(afterHeader);
}

VImage pages(VImage page, int count)
{
    VImage strip = page;
    for (int i = 1; i < count; ++i)
        strip = strip.join(page, VIPS_DIRECTION_VERTICAL);
    strip = strip.copy();
    strip.set("page-height", page.height());
    return strip;
}

QByteArray segment(char marker, const QByteArray& data)
{
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(static_cast<quint16>(data.size() + 2), length.data());
    return QByteArray("\xFF", 1) + marker + length + data;
}

// EXIF with both resolutions per inch, little-endian.
QByteArray exifAt(quint32 dpi)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto put16 = [&tiff](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); tiff += b; };
    auto put32 = [&tiff](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); tiff += b; };
    const quint32 rationals = 8 + 2 + 3 * 12 + 4;
    put16(3);
    put16(0x011A); put16(5); put32(1); put32(rationals);
    put16(0x011B); put16(5); put32(1); put32(rationals + 8);
    put16(0x0128); put16(3); put32(1); put16(2); put16(0);
    put32(0);
    put32(dpi); put32(1);
    put32(dpi); put32(1);
    return QByteArray("Exif\0\0", 6) + tiff;
}

// A JPEG whose JFIF segment says `jfifUnit`/`jfifDpi` and an EXIF block says `exifDpi`.
QByteArray jfifAndExif(const QByteArray& bareJpeg, char jfifUnit, quint16 jfifDpi, quint32 exifDpi)
{
    QByteArray jfif("JFIF\0\x01\x01", 7);
    jfif += jfifUnit;
    QByteArray values(4, '\0');
    qToBigEndian<quint16>(jfifDpi, values.data());
    qToBigEndian<quint16>(jfifDpi, values.data() + 2);
    jfif += values + QByteArray(2, '\0');
    return bareJpeg.left(2) + segment('\xE0', jfif) + segment('\xE1', exifAt(exifDpi)) + bareJpeg.mid(2);
}

test::Bytes bytesOf(const QByteArray& bytes)
{
    return test::Bytes(bytes.begin(), bytes.end());
}

auto psd(std::function<void(test::PsdRecipe&)> tweak)
{
    return [tweak](const std::string& path) {
        test::PsdRecipe s;
        tweak(s);
        const test::Bytes b = test::psdBytes(s);
        writeBytes(path, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    };
}

auto bmp(std::function<void(test::BmpRecipe&)> tweak)
{
    return [tweak](const std::string& path) {
        test::BmpRecipe s;
        tweak(s);
        const test::Bytes b = test::bmpBytes(s);
        writeBytes(path, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    };
}

auto jp2(std::function<void(test::Jp2Recipe&)> tweak)
{
    return [tweak](const std::string& path) {
        test::Jp2Recipe s;
        tweak(s);
        const test::Bytes b = test::jp2Bytes(s);
        writeBytes(path, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    };
}

auto netpbm(const char* header)
{
    return [header](const std::string& path) {
        const test::Bytes b = test::netpbmBytes(header);
        writeBytes(path, QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())));
    };
}

struct Made {
    const char* name;
    std::function<void(const std::string& path)> make;
    std::function<void(const ImageDetails&)> expect;
};

class HeaderDetails : public ::testing::TestWithParam<Made> {
protected:
    static void SetUpTestSuite() { test::ensureVipsStarted(); }
    QTemporaryDir dir;
    platform::ImageFileReader reader;
};

TEST_P(HeaderDetails, ShowWhatTheFileWasMadeWithAndLeaveTheMeasureAlone)
{
    const Made& made = GetParam();
    const std::string path = QFile::encodeName(dir.filePath(QString::fromLatin1(made.name))).toStdString();
    ASSERT_NO_THROW(made.make(path));
    ImageDetails details;
    const ImageHeader withDetails = reader.readHeaderAndDetails(path, details);
    const ImageHeader plain = reader.readHeader(path);
    ASSERT_TRUE(plain.readable);
    EXPECT_EQ(withDetails.readable, plain.readable);
    EXPECT_EQ(withDetails.pixelsHigh, plain.pixelsHigh);
    EXPECT_EQ(withDetails.pixelsWide, plain.pixelsWide);
    EXPECT_EQ(withDetails.verticalDpi, plain.verticalDpi);
    EXPECT_EQ(withDetails.colourSpaceName, plain.colourSpaceName);
    if (plain.verticalDpi)
        EXPECT_EQ(details.verticalDpi, plain.verticalDpi) << "the details' resolution is the measured one";
    made.expect(details);
}

auto writer(VImage (*image)(), const char* options = "")
{
    return [image, options](const std::string& path) { image().write_to_file((path + options).c_str()); };
}

void expectAxes(const ImageDetails& d, ResolutionSource source, double horizontal, double vertical)
{
    EXPECT_EQ(d.resolutionSource, source);
    ASSERT_TRUE(d.horizontalDpi && d.verticalDpi);
    EXPECT_DOUBLE_EQ(*d.horizontalDpi, horizontal);
    EXPECT_DOUBLE_EQ(*d.verticalDpi, vertical);
    EXPECT_EQ(resolutionsDiffer(d), horizontal != vertical);
}

void expectGreyWithRgbProfile(const ImageDetails& d)
{
    EXPECT_TRUE(d.hasProfile);
    EXPECT_EQ(d.profileModel, ColourModel::RGB);
    EXPECT_NE(d.profileDescription.find("sRGB"), std::string::npos) << d.profileDescription;
    EXPECT_EQ(profileWarning(d, ColourModel::Grey), ProfileWarning::ModelMismatch);
}

INSTANTIATE_TEST_SUITE_P(Files, HeaderDetails, ::testing::Values(
    Made{"axes.png", writer([] { return solid(3, VIPS_INTERPRETATION_sRGB, 300, 150); }),
         [](const ImageDetails& d) { expectAxes(d, ResolutionSource::PngPhys, 300, 150); }},
    Made{"axes.tif", writer([] { return solid(3, VIPS_INTERPRETATION_sRGB, 600, 300); }),
         [](const ImageDetails& d) { expectAxes(d, ResolutionSource::TiffTags, 600, 300); }},
    Made{"conflict.jpg",
         [](const std::string& path) {
             // The writer's own JFIF segment is dropped; ours goes in its place.
             const QByteArray jpeg = encoded(solid(3, VIPS_INTERPRETATION_sRGB, 72, 72), ".jpg[strip]");
             const int app0Length = (uchar(jpeg[4]) << 8) | uchar(jpeg[5]);
             writeBytes(path, jfifAndExif(jpeg.left(2) + jpeg.mid(4 + app0Length), 1, 72, 300));
         },
         [](const ImageDetails& d) {
             expectAxes(d, ResolutionSource::Jfif, 72, 72);
             ASSERT_TRUE(d.conflictingExifDpi);
             EXPECT_DOUBLE_EQ(*d.conflictingExifDpi, 300);
         }},
    Made{"exif.jpg",
         [](const std::string& path) {
             const QByteArray jpeg = encoded(solid(3, VIPS_INTERPRETATION_sRGB, 72, 72), ".jpg[strip]");
             const int app0Length = (uchar(jpeg[4]) << 8) | uchar(jpeg[5]);
             writeBytes(path, jfifAndExif(jpeg.left(2) + jpeg.mid(4 + app0Length), 0, 1, 240)); // JFIF without a unit
         },
         [](const ImageDetails& d) {
             expectAxes(d, ResolutionSource::Exif, 240, 240);
             EXPECT_FALSE(d.conflictingExifDpi);
         }},
    Made{"grey-srgb.tif", writer([] { return withProfile(solid(1, VIPS_INTERPRETATION_B_W, 300, 300), "srgb"); }),
         expectGreyWithRgbProfile},
    Made{"grey-srgb.jpg",
         [](const std::string& path) {
             writeBytes(path, jpegWithProfile(encoded(solid(1, VIPS_INTERPRETATION_B_W, 300, 300), ".jpg[strip]"),
                                              profileBytes("srgb")));
         },
         expectGreyWithRgbProfile},
    Made{"grey-srgb.png",
         [](const std::string& path) {
             writeBytes(path, pngWithProfile(encoded(solid(1, VIPS_INTERPRETATION_B_W, 300, 300), ".png[strip]"),
                                             profileBytes("srgb")));
         },
         expectGreyWithRgbProfile},
    Made{"cmyk-bare.tif", writer([] { return solid(4, VIPS_INTERPRETATION_CMYK, 300, 300); }),
         [](const ImageDetails& d) {
             EXPECT_FALSE(d.hasProfile);
             EXPECT_EQ(profileWarning(d, ColourModel::CMYK), ProfileWarning::CmykWithoutProfile);
         }},
    Made{"cmyk-profiled.jpg", writer([] { return withProfile(solid(4, VIPS_INTERPRETATION_CMYK, 300, 300), "cmyk"); }),
         [](const ImageDetails& d) {
             EXPECT_EQ(d.profileModel, ColourModel::CMYK); // a large profile, over several APP2 segments
             EXPECT_FALSE(d.profileDescription.empty());
             EXPECT_EQ(profileWarning(d, ColourModel::CMYK), ProfileWarning::None);
         }},
    Made{"deep.png", writer([] { return solid(3, VIPS_INTERPRETATION_RGB16, 72, 72, VIPS_FORMAT_USHORT); }),
         [](const ImageDetails& d) { EXPECT_EQ(d.bitsPerSample, 16); EXPECT_FALSE(d.alpha); }},
    Made{"deep.tif", writer([] { return solid(1, VIPS_INTERPRETATION_GREY16, 72, 72, VIPS_FORMAT_USHORT); }),
         [](const ImageDetails& d) { EXPECT_EQ(d.bitsPerSample, 16); EXPECT_EQ(d.pages, 1); }},
    Made{"alpha.png", writer([] { return solid(4, VIPS_INTERPRETATION_sRGB, 72, 72); }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_EQ(d.bitsPerSample, 8); }},
    Made{"alpha.tif", writer([] { return solid(2, VIPS_INTERPRETATION_B_W, 72, 72); }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); }},
    Made{"alpha.webp", writer([] { return solid(4, VIPS_INTERPRETATION_sRGB, 72, 72); }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_EQ(d.pages, 1); }},
    Made{"pages.tif", writer([] { return pages(solid(3, VIPS_INTERPRETATION_sRGB, 300, 300), 3); }),
         [](const ImageDetails& d) { EXPECT_EQ(d.pages, 3); EXPECT_FALSE(d.alpha); }},
    Made{"frames.gif", writer([] { return pages(solid(3, VIPS_INTERPRETATION_sRGB, 72, 72), 2); }),
         [](const ImageDetails& d) { EXPECT_EQ(d.pages, 2); EXPECT_EQ(d.resolutionSource, ResolutionSource::NotRecorded); }},
    Made{"layers.psd", psd([](test::PsdRecipe& s) {
             s.channels = 4; // RGB and an alpha channel
             s.layers = 3;
             s.resolution = test::PsdRecipe::Resolution{118.11 * 2.54, 59.055 * 2.54, 2};
             s.profile = bytesOf(profileBytes("srgb"));
         }),
         [](const ImageDetails& d) {
             expectAxes(d, ResolutionSource::Other, 300, 150);
             EXPECT_EQ(d.layers, 3);
             EXPECT_TRUE(d.alpha);
             EXPECT_EQ(d.extraChannels, 0);
             EXPECT_EQ(d.bitsPerSample, 8);
             EXPECT_EQ(d.profileModel, ColourModel::RGB);
             EXPECT_NE(d.profileDescription.find("sRGB"), std::string::npos) << d.profileDescription;
         }},
    Made{"layers16.psd", psd([](test::PsdRecipe& s) {
             s.mode = 1;
             s.channels = 1;
             s.depth = 16;
             s.layers = 2;
             s.layersInTaggedBlock = true;
             s.profile = bytesOf(profileBytes("srgb"));
         }),
         [](const ImageDetails& d) {
             EXPECT_EQ(d.layers, 2);
             EXPECT_EQ(d.bitsPerSample, 16);
             EXPECT_FALSE(d.alpha);
             EXPECT_EQ(d.resolutionSource, ResolutionSource::NotRecorded);
             EXPECT_EQ(profileWarning(d, ColourModel::Grey), ProfileWarning::ModelMismatch);
         }},
    Made{"spot.psd", psd([](test::PsdRecipe& s) {
             s.mode = 4;
             s.channels = 6; // CMYK, a spot colour, then an alpha channel
             s.extraKinds = {2, 0};
         }),
         [](const ImageDetails& d) { EXPECT_EQ(d.extraChannels, 1); EXPECT_TRUE(d.alpha); }},
    Made{"spots.psd", psd([](test::PsdRecipe& s) {
             s.mode = 4;
             s.channels = 6;
             s.extraKinds = {2, 2};
         }),
         [](const ImageDetails& d) { EXPECT_EQ(d.extraChannels, 2); EXPECT_FALSE(d.alpha); }},
    Made{"unsaid.psd", psd([](test::PsdRecipe& s) { s.channels = 5; }), // RGB and two channels it does not describe
         [](const ImageDetails& d) { EXPECT_EQ(d.extraChannels, 1); EXPECT_TRUE(d.alpha); }},
    Made{"layers.psb", psd([](test::PsdRecipe& s) { s.version = 2; s.layers = 5; }),
         [](const ImageDetails& d) { EXPECT_EQ(d.layers, 5); }},
    Made{"layers16.psb", psd([](test::PsdRecipe& s) { s.version = 2; s.depth = 16; s.layers = 6; s.layersInTaggedBlock = true; }),
         [](const ImageDetails& d) { EXPECT_EQ(d.layers, 6); }},
    Made{"flat.psd", psd([](test::PsdRecipe& s) { s.mode = 4; s.channels = 4; }),
         [](const ImageDetails& d) {
             EXPECT_EQ(d.layers, 0);
             EXPECT_FALSE(d.alpha);
             EXPECT_EQ(profileWarning(d, ColourModel::CMYK), ProfileWarning::CmykWithoutProfile);
         }},
    Made{"grey-srgb.bmp", bmp([](test::BmpRecipe& s) {
             s.headerSize = 124;
             s.bitCount = 8;
             s.greyPalette = true;
             s.xPerMetre = 11811;
             s.yPerMetre = 5906;
             s.profile = bytesOf(profileBytes("srgb"));
         }),
         [](const ImageDetails& d) {
             expectAxes(d, ResolutionSource::Other, 300, 150);
             EXPECT_EQ(d.bitsPerSample, 8);
             EXPECT_FALSE(d.layers);
             expectGreyWithRgbProfile(d);
         }},
    Made{"alpha.bmp", bmp([](test::BmpRecipe& s) { s.headerSize = 108; s.bitCount = 32; s.compression = 3; s.alphaMask = 0xFF000000; }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_EQ(d.pages, 1); EXPECT_EQ(d.resolutionSource, ResolutionSource::NotRecorded); }},
    Made{"opaque.bmp", bmp([](test::BmpRecipe& s) { s.headerSize = 40; s.bitCount = 32; }),
         [](const ImageDetails& d) { EXPECT_FALSE(d.alpha); EXPECT_EQ(d.bitsPerSample, 8); }},
    Made{"axes-profile.jp2",
         jp2([](test::Jp2Recipe& s) {
             s.capture = test::Jp2Recipe::Resolution{5906, 1, 11811, 1, 0, 0};
             s.display = test::Jp2Recipe::Resolution{2835, 1, 2835, 1, 0, 0};
             s.components = 1;
             s.profile = bytesOf(profileBytes("srgb"));
         }),
         [](const ImageDetails& d) {
             expectAxes(d, ResolutionSource::Other, 300, 150);
             EXPECT_EQ(d.bitsPerSample, 8);
             EXPECT_EQ(d.pages, 1);
             expectGreyWithRgbProfile(d);
         }},
    Made{"alpha-named.jp2", jp2([](test::Jp2Recipe& s) { s.components = 4; s.channelTypes = {0, 0, 0, 1}; }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_FALSE(d.hasProfile); }},
    // Two components, both named colour: no alpha, where the count alone would say one.
    Made{"two-greys.jp2", jp2([](test::Jp2Recipe& s) { s.components = 2; s.depth = 12; s.enumeratedSpace = 17; s.channelTypes = {0, 0}; }),
         [](const ImageDetails& d) { EXPECT_FALSE(d.alpha); EXPECT_EQ(d.bitsPerSample, 12); }},
    Made{"grey-alpha.jp2", jp2([](test::Jp2Recipe& s) { s.components = 2; s.enumeratedSpace = 17; }),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_EQ(d.resolutionSource, ResolutionSource::NotRecorded); }},
    Made{"deep.pgm", netpbm("P5 20 13 4095\n"),
         [](const ImageDetails& d) { EXPECT_EQ(d.bitsPerSample, 12); EXPECT_FALSE(d.alpha); EXPECT_EQ(d.resolutionSource, ResolutionSource::NotRecorded); }},
    Made{"bitmap.pbm", netpbm("P4 20 13\n"), [](const ImageDetails& d) { EXPECT_EQ(d.bitsPerSample, 1); }},
    Made{"rgba.pam", netpbm("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"),
         [](const ImageDetails& d) { EXPECT_TRUE(d.alpha); EXPECT_EQ(d.bitsPerSample, 8); }}
), [](const ::testing::TestParamInfo<Made>& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

TEST(HeaderDetailsOfNothing, AnUnreadableFileHasNone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.jpg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xFF\xD8\xFF not really");
    file.close();
    ImageDetails details;
    details.pages = 9; // whatever was there before is cleared
    const ImageMeasure m = measureImage(QFile::encodeName(path).toStdString(), platform::ImageFileReader(), details);
    EXPECT_EQ(m.pixelsHigh, 0);
    EXPECT_FALSE(details.pages);
    EXPECT_FALSE(details.hasProfile);
}

} // namespace
