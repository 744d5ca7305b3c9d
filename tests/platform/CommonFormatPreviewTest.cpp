// Previews of the formats the program measures itself, made by the loader
// helper: the size within the bounds and never enlarged, the orientation the
// file records applied, CMYK converted through a profile, alpha kept, large
// files read through their descriptor; and no helper, no preview at all.
#include "platform/PreviewMaker.h"
#include "platform/header/ImageFileReader.h"
#include "platform/loader/LoaderClient.h"
#include "support/TestImages.h"
#include "support/VipsStart.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <vips/vips8>

namespace quorvel::test {
namespace {

// Writes a recorded orientation too: EXIF 6 turns the picture a quarter
// clockwise, so a wide image shows tall.
bool writeRotated(const QString& path, int width, int height)
{
    ensureVipsStarted();
    try {
        vips::VImage image = vips::VImage::black(width, height, vips::VImage::option()->set("bands", 3)) + 200;
        image = image.cast(VIPS_FORMAT_UCHAR).copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
        image.set(VIPS_META_ORIENTATION, 6);
        image.write_to_file(path.toUtf8().constData());
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
    return true;
}

struct PreviewCase {
    const char* name;
    const char* file;
    ImageSpecForTest recipe;
    QSize bounds;
    QSize expected;
    int lightness;           // of the middle pixel, give or take a little
    int alpha;               // of the middle pixel; -1 without an alpha channel
    bool rotated = false;    // written with a recorded orientation instead of the recipe
    qint64 paddedTo = 0;     // trailing bytes up to this size, which decoders ignore
};

constexpr qint64 kPastTheSnapshot = qint64(130) << 20;

const PreviewCase kCases[] = {
    {"JpegShrunk", "photo.jpg", {.width = 300, .height = 200, .fill = 128}, {60, 60}, {60, 40}, 128, -1},
    {"JpegTall", "tall.jpg", {.width = 100, .height = 300, .fill = 128}, {60, 60}, {20, 60}, 128, -1},
    {"JpegNeverEnlarged", "small.jpg", {.width = 16, .height = 12, .fill = 128}, {64, 64}, {16, 12}, 128, -1},
    {"JpegRecordedOrientation", "turned.jpg", {}, {60, 60}, {40, 60}, 200, -1, true},
    // No ink is white paper through any profile; a plain inversion would be black.
    {"JpegCmyk", "cmyk.jpg", {.width = 80, .height = 40, .model = Model::CMYK, .fill = 0}, {40, 40}, {40, 20}, 255, -1},
    {"JpegCmykWithProfile", "cmyk-icc.jpg",
     {.width = 80, .height = 40, .model = Model::CMYK, .fill = 0, .embedCmykProfile = true}, {40, 40}, {40, 20}, 255, -1},
    {"TiffCmyk16Bit", "cmyk16.tif", {.width = 40, .height = 80, .model = Model::CMYK, .sixteenBit = true, .fill = 0},
     {40, 40}, {20, 40}, 255, -1},
    {"TiffCmykWithProfile", "cmyk-icc.tif",
     {.width = 40, .height = 80, .model = Model::CMYK, .fill = 0, .embedCmykProfile = true}, {40, 40}, {20, 40}, 255, -1},
    {"TiffGrey", "grey.tif", {.width = 50, .height = 50, .model = Model::Grey, .fill = 64}, {25, 25}, {25, 25}, 64, -1},
    {"PngAlphaKept", "alpha.png", {.width = 64, .height = 32, .model = Model::RGBA, .fill = 128}, {32, 32}, {32, 16}, 128, 128},
    {"PngGreyAlpha16Bit", "grey16.png", {.width = 32, .height = 32, .model = Model::GreyAlpha, .sixteenBit = true, .fill = 0},
     {16, 16}, {16, 16}, 0, 0},
    {"WebpAlphaKept", "alpha.webp", {.width = 64, .height = 32, .model = Model::RGBA, .fill = 128}, {32, 32}, {32, 16}, 128, 128},
    // GIF decodes with a transparency channel, opaque here.
    {"Gif", "flat.gif", {.width = 30, .height = 60, .fill = 128}, {30, 30}, {15, 30}, 128, 255},
    {"Heif", "photo.heic", {.width = 64, .height = 48, .fill = 128}, {32, 32}, {32, 24}, 128, -1},
    // Too large to copy: read through the descriptor instead.
    {"JpegLargerThanASnapshot", "padded.jpg", {.width = 300, .height = 200, .fill = 128}, {60, 60}, {60, 40}, 128, -1,
     false, kPastTheSnapshot},
    {"PngLargerThanASnapshot", "padded.png", {.width = 300, .height = 200, .fill = 128}, {60, 60}, {60, 40}, 128, -1,
     false, kPastTheSnapshot},
};

class CommonFormatPreview : public ::testing::TestWithParam<PreviewCase> {
protected:
    QTemporaryDir dir;
};

TEST_P(CommonFormatPreview, FitsTheBoundsInSrgb)
{
    const PreviewCase& c = GetParam();
    const QString path = dir.filePath(QLatin1String(c.file));
    const bool written = c.rotated ? writeRotated(path, 60, 40) : writeTestImage(path, c.recipe);
    if (!written)
        GTEST_SKIP() << "libvips cannot write " << c.file << " here";
    if (c.paddedTo > 0) {
        QFile file(path);
        ASSERT_TRUE(file.resize(c.paddedTo)); // a hole: nothing written
    }

    const QImage preview = platform::makePreview(path, c.bounds);
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.size(), c.expected);
    EXPECT_EQ(preview.hasAlphaChannel(), c.alpha >= 0);
    const QColor middle = preview.pixelColor(preview.width() / 2, preview.height() / 2);
    EXPECT_NEAR(middle.lightness(), c.lightness, 6) << middle.name(QColor::HexArgb).toStdString();
    EXPECT_LE(std::abs(middle.red() - middle.blue()), 6) << "a neutral fill stays neutral";
    if (c.alpha >= 0) {
        EXPECT_NEAR(middle.alpha(), c.alpha, 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, CommonFormatPreview, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without the helper, no format is previewed: nothing decodes pixels in the
// program itself. The header is still measured.
TEST(CommonFormatPreviewWithoutHelper, NoPreviewButTheMeasureStays)
{
    QTemporaryDir dir;
    const char* usual = std::getenv("QUORVEL_LOADER");
    const std::string restore = usual ? usual : "";
    ::setenv("QUORVEL_LOADER", QFile::encodeName(dir.filePath(QStringLiteral("no-such-helper"))).constData(), 1);
    platform::loader::stopIdleHelpers();
    const platform::ImageFileReader reader;
    for (const char* name : {"a.jpg", "a.png", "a.tif", "a.webp", "a.gif"}) {
        const QString path = dir.filePath(QLatin1String(name));
        ASSERT_TRUE(writeTestImage(path, {.width = 20, .height = 10})) << name;
        EXPECT_TRUE(platform::makePreview(path, QSize(8, 8)).isNull()) << name;
        EXPECT_EQ(reader.readHeader(QFile::encodeName(path).toStdString()).pixelsWide, 20) << name;
    }
    if (restore.empty())
        ::unsetenv("QUORVEL_LOADER");
    else
        ::setenv("QUORVEL_LOADER", restore.c_str(), 1);
    platform::loader::stopIdleHelpers();
    EXPECT_FALSE(platform::makePreview(dir.filePath(QStringLiteral("a.jpg")), QSize(8, 8)).isNull());
}

} // namespace
} // namespace quorvel::test
