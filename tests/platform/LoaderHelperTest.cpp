// Formats that only loaders not hardened for hostile input read: measured
// exactly through the confined loader helper; a child that crashes or hangs
// costs that one file.
#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "platform/ImageTypes.h"
#include "platform/PreviewMaker.h"
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "platform/loader/LoaderClient.h"
#include "TestBuildOfHelper.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <vector>

#include <vips/vips.h>

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;
namespace loader = platform::loader;

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Through ImageMagick's saver, for the formats only its loader reads; in
// colour, or it saves grey.
bool writeThroughMagick(const QString& path, const char* format, int width, int height)
{
    VipsImage* black = nullptr;
    VipsImage* orange = nullptr;
    VipsImage* bytes = nullptr;
    double scale[] = {1, 1, 1};
    double offset[] = {230, 120, 20};
    int status = vips_black(&black, width, height, "bands", 3, nullptr);
    status = status ? status : vips_linear(black, &orange, scale, offset, 3, nullptr);
    status = status ? status : vips_cast_uchar(orange, &bytes, nullptr);
    status = status ? status : vips_magicksave(bytes, path.toUtf8().constData(), "format", format, nullptr);
    for (VipsImage* image : {black, orange, bytes})
        if (image)
            g_object_unref(image);
    vips_error_clear();
    return status == 0;
}

struct FormatCase {
    const char* name;
    const char* file;
    // Writes the file; false when this libvips cannot.
    bool (*make)(const QString& path);
    int height;
    int width;
    const char* colourSpace;
    int bits;
    bool alpha;
};

// JPEG 2000 and the pixel map are measured in the program itself; their rows
// check that the measure stays what the helper gave and that the helper
// still makes their previews.
const FormatCase kFormats[] = {
    {"Jpeg2000Rgb", "rgb.jp2", [](const QString& p) { return writeTestImage(p, {.width = 40, .height = 30}); },
     30, 40, "CalibratedRGB", 8, false},
    {"Jpeg2000Grey16", "grey16.jp2",
     [](const QString& p) { return writeTestImage(p, {.width = 21, .height = 34, .model = Model::Grey, .sixteenBit = true}); },
     34, 21, "CalibratedGray", 16, false},
    {"Jpeg2000Codestream", "rgba.j2k",
     [](const QString& p) { return writeTestImage(p, {.width = 17, .height = 9, .model = Model::RGBA}); },
     9, 17, "CalibratedRGB", 8, true},
    {"JpegXl", "rgb.jxl", [](const QString& p) { return writeTestImage(p, {.width = 33, .height = 22}); },
     22, 33, "CalibratedRGB", 8, false},
    {"Svg", "drawing.svg",
     [](const QString& p) {
         return writeBytes(p, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"80\">"
                              "<rect width=\"120\" height=\"80\" fill=\"red\"/></svg>");
     },
     80, 120, "CalibratedRGB", 8, true},
    {"PortablePixmap", "plain.ppm",
     [](const QString& p) { return writeBytes(p, QByteArray("P6\n5 3\n255\n") + QByteArray(5 * 3 * 3, '\x40')); },
     3, 5, "CalibratedRGB", 8, false},
    {"Targa", "icon.tga", [](const QString& p) { return writeThroughMagick(p, "tga", 14, 6); }, 6, 14, "CalibratedRGB", 8, false},
};

class HelperFormat : public ::testing::TestWithParam<FormatCase> {
protected:
    // The fixtures are written here with savers that libvips marks unsafe;
    // its loaders stay blocked in this process.
    static void SetUpTestSuite()
    {
        test::ensureVipsStarted();
        for (const char* saver : {"VipsForeignSaveJxl", "VipsForeignSaveMagick"})
            vips_operation_block_set(saver, false);
    }

    QTemporaryDir dir;
    platform::ImageFileReader reader;
};

// Exactly as the policy reads every format: the pixel size of the first
// image, the colour space, and no resolution that the file did not record.
// Each row starts a fresh helper: its first child is forked before the
// helper has loaded libvips' modules (JPEG XL's, ImageMagick's), the
// children after it once it has.
TEST_P(HelperFormat, MeasuresExactlyWithDetailsAndPreview)
{
    const FormatCase& c = GetParam();
    const QString path = dir.filePath(QLatin1String(c.file));
    if (!c.make(path))
        GTEST_SKIP() << "libvips cannot write " << c.file << " here";
    const std::string name = QFile::encodeName(path).toStdString();
    loader::stopIdleHelpers();

    const ImageHeader header = reader.readHeader(name);
    ASSERT_TRUE(header.readable) << int(header.unreadableReason);
    EXPECT_EQ(header.pixelsHigh, c.height);
    EXPECT_EQ(header.pixelsWide, c.width);
    EXPECT_FALSE(header.verticalDpi.has_value());
    EXPECT_EQ(header.colourSpaceName.value_or("none"), c.colourSpace);

    ImageDetails details;
    const ImageHeader again = reader.readHeaderAndDetails(name, details);
    EXPECT_EQ(again.pixelsHigh, c.height);
    EXPECT_EQ(details.bitsPerSample, c.bits);
    EXPECT_EQ(details.alpha, c.alpha);
    EXPECT_EQ(details.resolutionSource, ResolutionSource::NotRecorded);

    const QImage preview = platform::makePreview(path, QSize(20, 20));
    ASSERT_FALSE(preview.isNull());
    EXPECT_LE(preview.width(), 20);
    EXPECT_LE(preview.height(), 20);
    EXPECT_EQ(qMax(preview.width(), preview.height()), qMin(20, qMax(c.width, c.height)));
}

INSTANTIATE_TEST_SUITE_P(Formats, HelperFormat, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HelperFormats, AreNamedForTheOpenPanelAndTheFolderWalk)
{
    const QStringList suffixes = platform::readableImageSuffixes();
    for (const char* suffix : {"jp2", "j2k", "jxl", "svg", "ppm", "ico", "tga", "pdf", "heic"})
        EXPECT_TRUE(suffixes.contains(QLatin1String(suffix))) << suffix;
    // Text that the csv loader would take for an image.
    EXPECT_FALSE(suffixes.contains(QStringLiteral("csv")));
}

// Numbers in rows, which libvips' matrix loader would read as an image.
TEST(HelperFormats, TextIsNotAnImage)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("notes.txt"));
    ASSERT_TRUE(writeBytes(path, "2 2\n1 2\n3 4\n"));
    const ImageHeader header = platform::ImageFileReader().readHeader(QFile::encodeName(path).toStdString());
    EXPECT_FALSE(header.readable);
    EXPECT_EQ(header.unreadableReason, UnreadableReason::NotAnImage);
}

// The test build of the helper, whose trigger files make it crash, hang or
// probe its own confinement.
using MisbehavingHelper = TestBuildOfHelper;

TEST_F(MisbehavingHelper, CrashOrHangCostsOnlyThatFile)
{
    const std::string good = goodFile(QStringLiteral("good.svg"));
    const std::string crash = file(QStringLiteral("crash.jp2"), "QUORVEL-TEST-CRASH");
    const std::string hang = file(QStringLiteral("hang.jp2"), "QUORVEL-TEST-HANG");
    struct Row {
        const std::string& path;
        UnreadableReason reason;
    };
    const std::vector<Row> rows{{good, UnreadableReason::None}, {crash, UnreadableReason::Damaged},
                                {good, UnreadableReason::None}, {hang, UnreadableReason::TimedOut},
                                {good, UnreadableReason::None}};
    for (const Row& row : rows) {
        const bool hangs = row.reason == UnreadableReason::TimedOut;
        loader::setHelperTimeouts(hangs ? loader::HelperTimeouts{1500ms, 1500ms} : loader::HelperTimeouts{30000ms, 30000ms});
        const ImageMeasure m = measureImage(row.path, reader);
        EXPECT_EQ(m.unreadableReason, row.reason) << row.path;
        EXPECT_EQ(m.pixelsHigh, row.reason == UnreadableReason::None ? 10 : 0) << row.path;
    }
    // With its details too, a file that brings its child down or never
    // answers is read once: asking again would only cost the wait again.
    ImageDetails details;
    loader::setHelperTimeouts({1500ms, 1500ms});
    for (const Row& bad : {Row{crash, UnreadableReason::Damaged}, Row{hang, UnreadableReason::TimedOut}}) {
        const uint32_t before = loader::helperRequestsSent();
        EXPECT_EQ(reader.readHeaderAndDetails(bad.path, details).unreadableReason, bad.reason) << bad.path;
        EXPECT_EQ(loader::helperRequestsSent() - before, 1u) << bad.path;
    }
    loader::setHelperTimeouts({30000ms, 30000ms});
    // Previews too: a null one for the file that brings its helper down.
    EXPECT_TRUE(platform::makePreview(QString::fromStdString(crash), QSize(8, 8)).isNull());
    EXPECT_FALSE(platform::makePreview(QString::fromStdString(good), QSize(8, 8)).isNull());
}

// Many threads at once, as a parallel report measures: each bad file costs
// itself only, whichever helper it met and whoever waited for that helper.
TEST_F(MisbehavingHelper, ParallelChecksEachGetTheirOwnAnswer)
{
    const std::string good = goodFile(QStringLiteral("good.svg"));
    const std::string crash = file(QStringLiteral("crash.jp2"), "QUORVEL-TEST-CRASH");
    const std::string hang = file(QStringLiteral("hang.jp2"), "QUORVEL-TEST-HANG");
    // The hanging files' time-out; each request's counts from its start.
    loader::setHelperTimeouts({8000ms, 8000ms});
    std::vector<const std::string*> batch;
    for (int i = 0; i < 18; ++i)
        batch.push_back(i % 6 == 1 ? &crash : i % 9 == 4 ? &hang : &good);
    std::vector<std::future<ImageMeasure>> results;
    for (const std::string* path : batch)
        results.push_back(std::async(std::launch::async, [this, path] { return measureImage(*path, reader); }));
    for (size_t i = 0; i < batch.size(); ++i) {
        const ImageMeasure m = results[i].get();
        const UnreadableReason expected = batch[i] == &crash ? UnreadableReason::Damaged
            : batch[i] == &hang                               ? UnreadableReason::TimedOut
                                                              : UnreadableReason::None;
        EXPECT_EQ(m.unreadableReason, expected) << i;
    }
}

} // namespace
} // namespace quorvel::test
