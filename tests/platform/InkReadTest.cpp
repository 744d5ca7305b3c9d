// Total ink read from the pixels themselves, at full resolution: the same
// figures from an 8- and a 16-bit TIFF and from an (inverted) Adobe CMYK JPEG.
#include "platform/header/ImageFileReader.h"
#include "platform/loader/InkRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <vips/vips8>

#include <fcntl.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

// 1000 x 700 CMYK at 100 % (K alone) with a 24 x 24 patch at 320 %, on the
// 8 x 8 grid of JPEG blocks so that a JPEG keeps its values.
vips::VImage patchedCmyk()
{
    vips::VImage image = vips::VImage::black(1000, 700, vips::VImage::option()->set("bands", 4))
                             .new_from_image({0, 0, 0, 255})
                             .cast(VIPS_FORMAT_UCHAR)
                             .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
    image.draw_rect({204, 204, 204, 204}, 16, 16, 24, 24, vips::VImage::option()->set("fill", true));
    return image;
}

struct Read {
    InkResult result;
    InkStatistics ink;
};

Read readFile(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << path.toStdString();
    Read read{InkResult::Unreadable, {}};
    read.result = readVipsInk(fd, read.ink, 7); // an odd number of rows at a time
    ::close(fd);
    return read;
}

TEST(InkRead, TheSameFiguresFromTiffsAndAnAdobeCmykJpeg)
{
    if (VIPS_INIT("ink_read_tests") != 0)
        GTEST_SKIP() << "libvips would not start";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const vips::VImage image = patchedCmyk();
    const QString tiff = dir.filePath(QStringLiteral("ink.tif"));
    const QString tiff16 = dir.filePath(QStringLiteral("ink16.tif"));
    const QString jpeg = dir.filePath(QStringLiteral("ink.jpg"));
    const QString rgb = dir.filePath(QStringLiteral("rgb.png"));
    image.tiffsave(tiff.toUtf8().constData());
    (image.cast(VIPS_FORMAT_USHORT) * 257)
        .cast(VIPS_FORMAT_USHORT)
        .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK))
        .tiffsave(tiff16.toUtf8().constData());
    image.jpegsave(jpeg.toUtf8().constData(), vips::VImage::option()->set("Q", 100));
    vips::VImage::black(20, 10, vips::VImage::option()->set("bands", 3)).pngsave(rgb.toUtf8().constData());

    // The JPEG stores its CMYK inverted, as Adobe's do.
    QFile written(jpeg);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.read(4096).contains("Adobe"));

    for (const QString& path : {tiff, tiff16, jpeg}) {
        SCOPED_TRACE(path.toStdString());
        const Read read = readFile(path);
        ASSERT_EQ(read.result, InkResult::Measured);
        EXPECT_EQ(read.ink.pixels(), 700000u);
        EXPECT_NEAR(*read.ink.maximumPercent(), 320.0, 0.5);
        EXPECT_NEAR(*read.ink.percentile(0.999), 100.0, 0.5);
        EXPECT_EQ(read.ink.pixelsAbove(300), 576u);
        EXPECT_EQ(read.ink.pixelsAbove(330), 0u);
    }
    EXPECT_EQ(readFile(rgb).result, InkResult::NotCmyk);

    QFile notAnImage(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(notAnImage.open(QIODevice::WriteOnly));
    notAnImage.write("no pixels here");
    notAnImage.close();
    EXPECT_EQ(readFile(notAnImage.fileName()).result, InkResult::Unreadable);
}

// The same figures through the confined helper, as the program asks for them.
TEST(InkRead, ThroughTheHelperAsTheProgramAsks)
{
    if (VIPS_INIT("ink_read_tests") != 0)
        GTEST_SKIP() << "libvips would not start";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const vips::VImage image = patchedCmyk();
    const std::string tiff = dir.filePath(QStringLiteral("ink.tif")).toStdString();
    const std::string jpeg = dir.filePath(QStringLiteral("ink.jpg")).toStdString();
    const std::string rgb = dir.filePath(QStringLiteral("rgb.png")).toStdString();
    image.tiffsave(tiff.c_str());
    image.jpegsave(jpeg.c_str(), vips::VImage::option()->set("Q", 100));
    vips::VImage::black(20, 10, vips::VImage::option()->set("bands", 3)).pngsave(rgb.c_str());

    const platform::ImageFileReader reader;
    for (const std::string& path : {tiff, jpeg}) {
        SCOPED_TRACE(path);
        const std::optional<InkStatistics> ink = reader.readInk(path);
        ASSERT_TRUE(ink);
        EXPECT_EQ(ink->pixels(), 700000u);
        EXPECT_NEAR(*ink->maximumPercent(), 320.0, 0.5);
        EXPECT_EQ(ink->pixelsAbove(300), 576u);
    }
    EXPECT_FALSE(reader.readInk(rgb));
    EXPECT_FALSE(reader.readInk(dir.filePath(QStringLiteral("missing.tif")).toStdString()));
}

} // namespace
} // namespace quorvel::platform::loader
