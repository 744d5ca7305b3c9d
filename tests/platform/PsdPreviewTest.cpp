// Previews of layered documents, made by the loader helper from the merged
// image alone: each mode and depth in sRGB at the right size, and a damaged
// merged image gives no preview without costing the next file its own.
#include "PsdBmpFiles.h"

#include "platform/PreviewMaker.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>

namespace quorvel::test {
namespace {

bool writeBytes(const QString& path, const Bytes& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

PsdRecipe document(uint16_t version, uint32_t width, uint32_t height, uint16_t channels, uint16_t depth, uint16_t mode,
                 std::vector<uint32_t> top, std::vector<uint32_t> bottom, bool packBits)
{
    PsdRecipe layout;
    layout.version = version;
    layout.width = width;
    layout.height = height;
    layout.channels = channels;
    layout.depth = depth;
    layout.mode = mode;
    layout.top = std::move(top);
    layout.bottom = std::move(bottom);
    layout.packBits = packBits;
    layout.layers = 2;
    return layout;
}

struct PsdPreviewCase {
    const char* name;
    PsdRecipe layout;
    QSize bounds;
    QSize size;
    QRgb top; // sRGB, in the middle of each half
    QRgb bottom;
    int tolerance;
};

void PrintTo(const PsdPreviewCase& c, std::ostream* os)
{
    *os << c.name;
}

// CMYK is stored as 255 for no ink.
const PsdPreviewCase kCases[] = {
    {"RgbRawWithAlpha", document(1, 40, 30, 4, 8, 3, {200, 30, 60, 0}, {10, 220, 90, 0}, false), {480, 480},
     {40, 30}, qRgb(200, 30, 60), qRgb(10, 220, 90), 2},
    {"CmykPackBitsShrunk", document(1, 64, 48, 4, 8, 4, {255, 255, 255, 255}, {255, 0, 0, 255}, true), {32, 32},
     {32, 24}, qRgb(255, 255, 255), qRgb(237, 28, 36), 24},
    {"Grey16", document(1, 30, 20, 1, 16, 1, {0x8080}, {0xFFFF}, false), {480, 480}, {30, 20}, qRgb(128, 128, 128),
     qRgb(255, 255, 255), 2},
    // Linear light: 0.214 is sRGB's middle grey.
    {"GreyFloat", document(1, 30, 20, 1, 32, 1, {std::bit_cast<uint32_t>(0.2140f)}, {std::bit_cast<uint32_t>(1.0f)}, false),
     {480, 480}, {30, 20}, qRgb(128, 128, 128), qRgb(255, 255, 255), 2},
    {"LargeDocumentPackBitsShrunk", document(2, 1000, 600, 3, 8, 3, {255, 0, 0}, {0, 0, 255}, true), {480, 480},
     {480, 288}, qRgb(255, 0, 0), qRgb(0, 0, 255), 2},
};

class PsdPreview : public ::testing::TestWithParam<PsdPreviewCase> {
protected:
    QTemporaryDir dir;
};

::testing::AssertionResult near(QRgb actual, QRgb expected, int tolerance)
{
    const bool close = std::abs(qRed(actual) - qRed(expected)) <= tolerance
        && std::abs(qGreen(actual) - qGreen(expected)) <= tolerance
        && std::abs(qBlue(actual) - qBlue(expected)) <= tolerance;
    if (close)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << QColor(actual).name().toStdString() << " is not near "
                                         << QColor(expected).name().toStdString();
}

TEST_P(PsdPreview, IsTheMergedImageInSrgb)
{
    const PsdPreviewCase& c = GetParam();
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("doc.psd"));
    ASSERT_TRUE(writeBytes(path, psdBytes(c.layout)));
    const QImage preview = platform::makePreview(path, c.bounds);
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.size(), c.size);
    EXPECT_TRUE(near(preview.pixel(preview.width() / 2, preview.height() / 4), c.top, c.tolerance));
    EXPECT_TRUE(near(preview.pixel(preview.width() / 2, preview.height() * 3 / 4), c.bottom, c.tolerance));
}

INSTANTIATE_TEST_SUITE_P(Modes, PsdPreview, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PsdPreviewDamaged, GivesNoPreviewAndTheNextFileStillHasOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const Bytes packed = psdBytes(kCases[1].layout);
    const Bytes raw = psdBytes(kCases[0].layout);
    const size_t packedImage = packed.size() - 4 * 48 * 2 - 4 * 48 * 2; // the counts, then each row's 2 bytes
    Bytes hugeCount = packed;
    hugeCount[packedImage + 2 * 5] = 0xFF; // the sixth row claims 65280 bytes and more
    Bytes shortRun = packed;
    shortRun[shortRun.size() - 22] = 0x05; // a literal of 6 bytes in a row of 2: it comes out short
    const std::pair<const char*, Bytes> broken[] = {
        {"cut in the rows", Bytes(packed.begin(), packed.end() - 7)},
        {"cut in the counts", Bytes(packed.begin(), packed.begin() + long(packedImage) + 20)},
        {"row past its count", hugeCount},
        {"row shorter than its width", shortRun},
        {"raw, one byte short", Bytes(raw.begin(), raw.end() - 1)},
        {"no merged image", Bytes(raw.begin(), raw.end() - 40 * 30 * 4)},
    };
    const QString good = dir.filePath(QStringLiteral("good.psd"));
    ASSERT_TRUE(writeBytes(good, raw));
    for (const auto& [what, bytes] : broken) {
        const QString path = dir.filePath(QStringLiteral("broken.psd"));
        ASSERT_TRUE(writeBytes(path, bytes)) << what;
        EXPECT_TRUE(platform::makePreview(path, QSize(64, 64)).isNull()) << what;
        EXPECT_EQ(platform::makePreview(good, QSize(64, 64)).size(), QSize(40, 30)) << what;
    }
}

} // namespace
} // namespace quorvel::test
