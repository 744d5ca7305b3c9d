// Files that are not images, or not whole ones: never a crash, never a hang,
// never a measure made up from a broken header.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"
#include "support/TestImages.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <zlib.h>

namespace quorvel::test {
namespace {

using namespace std::chrono_literals;

void expectUnreadable(const std::string& path, std::optional<UnreadableReason> why = std::nullopt)
{
    const ImageHeader header = readHeaderOf(path);
    EXPECT_FALSE(header.readable) << path;
    EXPECT_NE(header.unreadableReason, UnreadableReason::None) << path;
    if (why) {
        EXPECT_EQ(header.unreadableReason, *why) << path;
    }
    EXPECT_EQ(header.pixelsHigh, 0);
    EXPECT_EQ(header.pixelsWide, 0);
    EXPECT_FALSE(header.colourSpaceName.has_value());
    const ImageMeasure m = measureImage(path, platform::ImageFileReader());
    EXPECT_EQ(m.heightPoints, 0.0f);
    EXPECT_EQ(m.colourClass, ColourClass::Other);
}

// Reads on another thread; a reader stuck on a pipe is freed by opening the
// pipe's other end, so a failure cannot hang the suite.
ImageHeader readWithin(const std::string& path, std::chrono::milliseconds limit, bool* inTime)
{
    auto result = std::async(std::launch::async, [path] { return readHeaderOf(path); });
    *inTime = result.wait_for(limit) == std::future_status::ready;
    if (!*inTime) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    return result.get();
}

struct BadInput {
    const char* name;
    std::function<std::string()> make; // returns the path to read
    UnreadableReason why;
};

void PrintTo(const BadInput& c, std::ostream* os) { *os << c.name; }

class NotAnImage : public ::testing::TestWithParam<BadInput> {};

TEST_P(NotAnImage, IsUnreadable)
{
    expectUnreadable(GetParam().make(), GetParam().why);
}

std::string fileWith(const std::string& name, const Bytes& bytes)
{
    const std::string path = scratchPath(name);
    writeBytes(path, bytes);
    return path;
}

using r = UnreadableReason;

std::string psdWith(const char* name, std::function<void(PsdRecipe&)> tweak, size_t cutTo = 0)
{
    PsdRecipe layout;
    tweak(layout);
    Bytes b = psdBytes(layout);
    if (cutTo)
        b.resize(cutTo);
    return fileWith(name, b);
}

std::string bmpWith(const char* name, std::function<void(BmpRecipe&)> tweak)
{
    BmpRecipe layout;
    tweak(layout);
    return fileWith(name, bmpBytes(layout));
}

INSTANTIATE_TEST_SUITE_P(Header, NotAnImage, ::testing::Values(
    BadInput{"Missing", [] { return scratchPath("no-such-file.jpg"); }, r::NotFound},
    BadInput{"UnderAFile", [] { return fileWith("plain.bin", Bytes{1, 2, 3}) + "/a.jpg"; }, r::NotFound},
    BadInput{"EmptyPath", [] { return std::string(); }, r::NotFound},
    BadInput{"Folder", [] { return scratchDir().path().toStdString(); }, r::Folder},
    BadInput{"EmptyFile", [] { return fileWith("empty.png", {}); }, r::NotAnImage},
    BadInput{"Text", [] { return fileWith("text.jpg", Bytes{'h', 'e', 'l', 'l', 'o', '\n'}); }, r::NotAnImage},
    BadInput{"Garbage", [] {
        Bytes b(5000);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = static_cast<unsigned char>(i * 7919 % 251);
        return fileWith("garbage.tif", b);
    }, r::NotAnImage},
    BadInput{"JpegMagicOnly", [] { return fileWith("magic.jpg", Bytes{0xFF, 0xD8, 0xFF}); }, r::Damaged},
    BadInput{"PngSignatureOnly", [] { return fileWith("magic.png", Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}); }, r::Damaged},
    BadInput{"TiffHeaderPointingNowhere", [] { return fileWith("magic.tif", Bytes{'I', 'I', 42, 0, 0xF0, 0xFF, 0xFF, 0x0F}); }, r::Damaged},
    BadInput{"TiffHeightBeyondRange", [] {
        // One IFD: width 10, height 3,000,000,000; a size no measure can hold.
        Bytes b = {'I', 'I', 42, 0, 8, 0, 0, 0, 3, 0};
        auto entry = [&b](uint16_t tag, uint16_t type, uint32_t value) {
            b.insert(b.end(), {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0, 1, 0, 0, 0});
            b.insert(b.end(), {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)});
        };
        entry(256, 4, 10);
        entry(257, 4, 3000000000u);
        entry(273, 4, 8);
        b.insert(b.end(), {0, 0, 0, 0});
        return fileWith("tall.tif", b);
    }, r::TooLarge},
    BadInput{"WebpRiffOnly", [] { return fileWith("magic.webp", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'}); }, r::Damaged},
    BadInput{"GifSignatureOnly", [] { return fileWith("magic.gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1}); }, r::Damaged},
    BadInput{"DevNull", [] { return std::string("/dev/null"); }, r::Vanished},
    BadInput{"DevZero", [] { return std::string("/dev/zero"); }, r::Vanished},
    BadInput{"SymlinkToFolder", [] {
        const std::string link = scratchPath("link-to-folder.jpg");
        ::unlink(link.c_str());
        (void)::symlink(scratchDir().path().toStdString().c_str(), link.c_str());
        return link;
    }, r::Folder},
    BadInput{"PsdVersionUnknown", [] { return psdWith("v3.psd", [](PsdRecipe& s) { s.version = 3; }); }, r::Damaged},
    BadInput{"PsdModeUnknown", [] { return psdWith("mode5.psd", [](PsdRecipe& s) { s.mode = 5; }); }, r::Damaged},
    BadInput{"PsdRgbWithOneChannel", [] { return psdWith("thin.psd", [](PsdRecipe& s) { s.channels = 1; }); }, r::Damaged},
    BadInput{"PsdDepthUnknown", [] { return psdWith("depth12.psd", [](PsdRecipe& s) { s.depth = 12; }); }, r::Damaged},
    BadInput{"PsdBeyondItsVersionsLimit", [] { return psdWith("wide.psd", [](PsdRecipe& s) { s.width = 30001; }); }, r::TooLarge},
    BadInput{"PsbBeyondItsLimit", [] { return psdWith("tall.psb", [](PsdRecipe& s) { s.version = 2; s.height = 300001; }); }, r::TooLarge},
    // The resource section claims more than the file holds.
    BadInput{"PsdResourcesCut", [] {
        return psdWith("cut.psd", [](PsdRecipe& s) { s.resolution = PsdRecipe::Resolution{300, 300, 1}; }, 60);
    }, r::Damaged},
    BadInput{"BmpHeightBeyondFourGigabytes", [] { return bmpWith("tall.bmp", [](BmpRecipe& s) { s.height = 0x7FFFFFFF; }); }, r::TooLarge},
    BadInput{"BmpTopDownAtTheSmallestHeight", [] { return bmpWith("min.bmp", [](BmpRecipe& s) { s.height = INT32_MIN; }); }, r::TooLarge},
    BadInput{"BmpPixelsPastTheEnd", [] { return bmpWith("offset.bmp", [](BmpRecipe& s) { s.pixelOffset = 1u << 30; }); }, r::Damaged},
    BadInput{"BmpPixelsInsideTheHeader", [] { return bmpWith("inside.bmp", [](BmpRecipe& s) { s.pixelOffset = 20; }); }, r::Damaged},
    BadInput{"BmpDepthUnknown", [] { return bmpWith("depth7.bmp", [](BmpRecipe& s) { s.bitCount = 7; }); }, r::Damaged},
    BadInput{"BmpZeroWidth", [] { return bmpWith("empty.bmp", [](BmpRecipe& s) { s.width = 0; }); }, r::Damaged},
    // Two letters are not enough to call a file a bitmap.
    BadInput{"TextStartingWithBM", [] { return fileWith("notes.bmp", Bytes{'B', 'M', 'W', ' ', 'r', 'e', 'n', 't', 'a', 'l', ' ', 'c', 'a', 'r', 's', '\n', 'x', 'y', 'z', 'w'}); }, r::Damaged}), // the helper's bitmap loader takes the two letters
    [](const auto& info) { return std::string(info.param.name); });

std::string jp2With(const char* name, std::function<void(Jp2Recipe&)> tweak, bool codestreamOnly = false)
{
    Jp2Recipe layout;
    tweak(layout);
    return fileWith(name, jp2Bytes(layout, codestreamOnly));
}

// A hand-made file whose box of `type` gets the length field given.
std::string jp2WithBoxLength(const char* name, const char* type, uint32_t length)
{
    Jp2Recipe layout;
    layout.capture = Jp2Recipe::Resolution{11811, 1, 11811, 1, 0, 0};
    Bytes b = jp2Bytes(layout);
    const auto at = std::search(b.begin(), b.end(), type, type + 4) - b.begin() - 4;
    for (int k = 0; k < 4; ++k)
        b[size_t(at + k)] = uint8_t(length >> (24 - 8 * k));
    return fileWith(name, b);
}

// The signature and file type, then the boxes given.
std::string jp2Of(const char* name, std::initializer_list<Bytes> boxes)
{
    Bytes b = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    const Bytes ftyp = jp2Box("ftyp", {'j', 'p', '2', ' ', 0, 0, 0, 0});
    b.insert(b.end(), ftyp.begin(), ftyp.end());
    for (const Bytes& box : boxes)
        b.insert(b.end(), box.begin(), box.end());
    return fileWith(name, b);
}

const Bytes goodIhdr = {0, 0, 0, 13, 0, 0, 0, 20, 0, 3, 7, 7, 0, 0};
const Bytes goodColr = {1, 0, 0, 0, 0, 0, 16};
Bytes goodCodestream()
{
    return jp2Bytes(Jp2Recipe{}, true);
}

std::string netpbmWith(const char* name, const std::string& header)
{
    return fileWith(name, netpbmBytes(header));
}

INSTANTIATE_TEST_SUITE_P(Jp2Netpbm, NotAnImage, ::testing::Values(
    BadInput{"Jp2SideOf2To31", [] { return jp2With("wide.jp2", [](Jp2Recipe& s) { s.width = 1u << 31; }); }, r::TooLarge},
    BadInput{"J2kSideOf2To31", [] { return jp2With("tall.j2k", [](Jp2Recipe& s) { s.height = 1u << 31; }, true); }, r::TooLarge},
    BadInput{"Jp2MoreTilesThanACodestreamHolds", [] {
        return jp2With("tiles.jp2", [](Jp2Recipe& s) { s.width = s.height = 60000; s.tileWide = s.tileHigh = 1; });
    }, r::Damaged},
    BadInput{"Jp2ZeroWidth", [] { return jp2With("zero.jp2", [](Jp2Recipe& s) { s.width = 0; }); }, r::Damaged},
    BadInput{"Jp2HeaderBoxPastTheEnd", [] { return jp2WithBoxLength("long.jp2", "jp2h", 0x7FFFFFF0); }, r::Damaged},
    BadInput{"Jp2ResolutionBoxPastItsParent", [] { return jp2WithBoxLength("res.jp2", "resc", 4000); }, r::Damaged},
    BadInput{"Jp2BoxShorterThanItsHeader", [] { return jp2WithBoxLength("short.jp2", "ihdr", 4); }, r::Damaged},
    BadInput{"Jp2HeaderBoxRunningToTheEnd", [] { return jp2WithBoxLength("open.jp2", "jp2h", 0); }, r::Damaged},
    BadInput{"Jp2ExtendedLengthPastTheEnd", [] {
        return jp2Of("xl.jp2", {Bytes{0, 0, 0, 1, 'j', 'p', '2', 'h', 0, 0, 1, 0, 0, 0, 0, 0}, goodCodestream()});
    }, r::Damaged},
    BadInput{"Jp2CodestreamBeforeItsHeader", [] {
        return jp2Of("order.jp2", {jp2Box("jp2c", goodCodestream()), jp2Box("jp2h", jp2Box("ihdr", goodIhdr))});
    }, r::Damaged},
    BadInput{"Jp2ImageHeaderNotFirst", [] {
        Bytes header = jp2Box("colr", goodColr);
        const Bytes ihdr = jp2Box("ihdr", goodIhdr);
        header.insert(header.end(), ihdr.begin(), ihdr.end());
        return jp2Of("late.jp2", {jp2Box("jp2h", header), jp2Box("jp2c", goodCodestream())});
    }, r::Damaged},
    BadInput{"Jp2WithoutCodestream", [] { return jp2Of("alone.jp2", {jp2Box("jp2h", jp2Box("ihdr", goodIhdr))}); }, r::Damaged},
    BadInput{"Jp2ZeroLengthBoxAheadOfTheHeader", [] {
        return jp2Of("free.jp2", {Bytes{0, 0, 0, 0, 'f', 'r', 'e', 'e'}, jp2Box("jp2h", jp2Box("ihdr", goodIhdr)), jp2Box("jp2c", goodCodestream())});
    }, r::Damaged},
    BadInput{"Jp2EndlessRunOfEmptyBoxes", [] {
        Bytes run;
        for (int i = 0; i < 100000; ++i)
            run.insert(run.end(), {0, 0, 0, 8, 'f', 'r', 'e', 'e'});
        return jp2Of("many.jp2", {run, jp2Box("jp2h", jp2Box("ihdr", goodIhdr)), jp2Box("jp2c", goodCodestream())});
    }, r::Damaged},
    BadInput{"J2kSizeSegmentOfTheWrongLength", [] {
        Bytes b = goodCodestream();
        b[5] = uint8_t(b[5] + 3);
        return fileWith("siz.j2k", b);
    }, r::Damaged},
    BadInput{"PbmWidthOf2To31", [] { return netpbmWith("wide.pbm", "P4 2147483648 1\n"); }, r::TooLarge},
    BadInput{"PpmSizeBeyondAnyNumber", [] { return netpbmWith("huge.ppm", "P6 99999999999999999999999999 1 255\n"); }, r::TooLarge},
    BadInput{"PgmMaxvalZero", [] { return netpbmWith("max0.pgm", "P5 20 13 0\n"); }, r::Damaged},
    BadInput{"PgmMaxvalBeyondSixteenBits", [] { return netpbmWith("max.pgm", "P5 20 13 65536\n"); }, r::Damaged},
    BadInput{"PgmZeroHeight", [] { return netpbmWith("flat.pgm", "P5 20 0 255\n"); }, r::Damaged},
    BadInput{"PpmLetterInTheSize", [] { return netpbmWith("letter.ppm", "P6 20 1x 255\n"); }, r::Damaged},
    BadInput{"PpmNegativeSize", [] { return netpbmWith("minus.ppm", "P6 -20 13 255\n"); }, r::Damaged},
    BadInput{"PamWithoutEndOfHeader", [] { return fileWith("open.pam", netpbmBytes("P7\nWIDTH 20\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\n", 0)); }, r::Damaged},
    BadInput{"PamWithoutDepth", [] { return netpbmWith("nodepth.pam", "P7\nWIDTH 20\nHEIGHT 13\nMAXVAL 255\nENDHDR\n"); }, r::Damaged},
    BadInput{"PamUnknownKeyword", [] { return netpbmWith("odd.pam", "P7\nWIDTH 20\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\nCOLOURS 3\nENDHDR\n"); }, r::Damaged},
    BadInput{"PamMagicNotAlone", [] { return netpbmWith("thumb.pam", "P7 332\n#XVVERSION:Version 2.28\n#END_OF_COMMENTS\n48 40 255\n"); }, r::Damaged},
    BadInput{"NetpbmCommentsBeyondAnyHeader", [] {
        std::string header = "P5\n";
        while (header.size() < 2 * 1024 * 1024)
            header += "# a comment that goes on and on and on and on and on and on\n";
        return netpbmWith("talk.pgm", header + "20 13 255\n");
    }, r::Damaged}),
    [](const auto& info) { return std::string(info.param.name); });

// Every cut inside the header leaves the file unreadable; the format's own
// writer decides where the header ends.
struct Cut {
    const char* name;
    const char* suffix;
    std::function<size_t(const Bytes&)> headerEnd;
};

void PrintTo(const Cut& c, std::ostream* os) { *os << c.name; }

size_t jpegHeaderEnd(const Bytes& b)
{
    for (size_t i = 2; i + 3 < b.size();) {
        const size_t length = size_t(b[i + 2]) << 8 | b[i + 3];
        if (b[i + 1] == 0xDA)
            return i + 2 + length; // the end of the first scan header
        i += 2 + length;
    }
    return 0;
}

size_t pngHeaderEnd(const Bytes& b)
{
    for (size_t i = 8; i + 8 <= b.size();) {
        const size_t length = size_t(b[i]) << 24 | size_t(b[i + 1]) << 16 | size_t(b[i + 2]) << 8 | b[i + 3];
        if (std::equal(b.begin() + i + 4, b.begin() + i + 8, "IDAT"))
            return i + 8; // up to and with the first image data chunk's header
        i += 12 + length;
    }
    return 0;
}

size_t tiffHeaderEnd(const Bytes& b)
{
    // Little-endian, as libvips writes it: the first directory and its entries.
    const size_t ifd = b[4] | b[5] << 8 | b[6] << 16 | size_t(b[7]) << 24;
    const size_t count = b[ifd] | b[ifd + 1] << 8;
    return ifd + 2 + 12 * count;
}

class CutShort : public ::testing::TestWithParam<Cut> {};

TEST_P(CutShort, InsideTheHeaderIsUnreadable)
{
    const Cut& c = GetParam();
    const std::string whole = scratchPath(std::string("whole-") + c.name + c.suffix);
    ImageSpecForTest recipe;
    recipe.width = 64;
    recipe.height = 48;
    recipe.dpi = 300;
    ASSERT_TRUE(writeTestImage(QString::fromStdString(whole), recipe));
    ASSERT_TRUE(readHeaderOf(whole).readable);
    const Bytes bytes = readBytes(whole);
    const size_t end = c.headerEnd(bytes);
    ASSERT_GT(end, 8u);
    ASSERT_LE(end, bytes.size());

    const std::string cutPath = scratchPath(std::string("cut-") + c.name + c.suffix);
    // Every length near either end of the header, a sample in between.
    std::vector<size_t> lengths;
    const size_t stride = std::max<size_t>(7, end / 60);
    for (size_t length = 1; length < end; ++length)
        if (length < 40 || length + 80 > end || length % stride == 0)
            lengths.push_back(length);
    for (size_t length : lengths) {
        writeBytes(cutPath, Bytes(bytes.begin(), bytes.begin() + length));
        SCOPED_TRACE("cut after " + std::to_string(length) + " of " + std::to_string(end) + " header bytes");
        expectUnreadable(cutPath);
    }
}

INSTANTIATE_TEST_SUITE_P(Header, CutShort, ::testing::Values(
    Cut{"Jpeg", ".jpg", jpegHeaderEnd},
    Cut{"Png", ".png", pngHeaderEnd},
    Cut{"Tiff", ".tif", tiffHeaderEnd},
    Cut{"Webp", ".webp", [](const Bytes&) { return size_t(30); }},
    Cut{"Gif", ".gif", [](const Bytes&) { return size_t(13); }}),
    [](const auto& info) { return std::string(info.param.name); });

// The same for the formats laid out by hand: every cut before the end of the
// last section length (a layered document) or before the first pixel byte
// (a bitmap).
TEST(HandMadeCutShort, InsideTheHeaderIsUnreadable)
{
    PsdRecipe psd;
    psd.resolution = PsdRecipe::Resolution{300, 300, 2};
    psd.layers = 3;
    PsdRecipe psb = psd;
    psb.version = 2;
    BmpRecipe bmp;
    bmp.headerSize = 124;
    bmp.bitCount = 8;
    const Bytes files[] = {psdBytes(psd), psdBytes(psb), bmpBytes(bmp)};
    for (const Bytes& whole : files) {
        const std::string path = scratchPath("handmade-cut");
        writeBytes(path, whole);
        ASSERT_TRUE(readHeaderOf(path).readable);
        const bool isBmp = whole[0] == 'B';
        // The end of the layer section's length, or the pixels' offset.
        const size_t lengthBytes = whole[5] == 2 ? 8 : 4;
        size_t end = 0;
        if (isBmp) {
            end = whole[10] | whole[11] << 8;
        } else {
            const size_t colour = size_t(whole[26]) << 24 | whole[27] << 16 | whole[28] << 8 | whole[29];
            const size_t at = 30 + colour;
            const size_t resources = size_t(whole[at]) << 24 | whole[at + 1] << 16 | whole[at + 2] << 8 | whole[at + 3];
            end = at + 4 + resources + lengthBytes - 1;
        }
        for (size_t length = 1; length <= end; ++length) {
            writeBytes(path, Bytes(whole.begin(), whole.begin() + length));
            SCOPED_TRACE("cut after " + std::to_string(length) + " bytes");
            // Too short to be recognised at all, or recognised and cut. A
            // bitmap too short for its own reader goes on to the loader
            // helper, whose answer may be either.
            const size_t recognised = isBmp ? 18 : 4;
            if (length >= recognised)
                expectUnreadable(path, UnreadableReason::Damaged);
            else
                expectUnreadable(path, isBmp ? std::nullopt : std::optional(UnreadableReason::NotAnImage));
        }
    }
}

// Every cut before the end of the header is refused: up to the codestream's
// image size segment in JPEG 2000, up to the white space after the last
// number (or ENDHDR's line) in Netpbm.
TEST(HandMadeCutShort, JpegTwoThousandAndNetpbmInsideTheHeaderAreUnreadable)
{
    Jp2Recipe jp2;
    jp2.capture = Jp2Recipe::Resolution{11811, 1, 11811, 1, 0, 0};
    jp2.display = jp2.capture;
    jp2.channelTypes = {0, 0, 0};
    Jp2Recipe extended = jp2;
    extended.extendedLengths = true;
    extended.codestreamRunsToEnd = false;
    struct Whole {
        Bytes bytes;
        size_t end;
        size_t recognised; // shorter, no reader here takes it
    };
    const std::string pam = "P7\nWIDTH 20\n#c\nHEIGHT 13\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
    const std::vector<std::string> netpbm = {"P1\n# c\n21 13\n", "P6#a\n20 13\n#b\n255\n", pam};
    std::vector<Whole> files = {{jp2Bytes(jp2), 0, 12}, {jp2Bytes(extended), 0, 12}, {jp2Bytes(jp2, true), 0, 4}};
    for (Whole& f : files)
        f.end = j2kSizEnd(f.bytes);
    for (const std::string& header : netpbm)
        files.push_back({netpbmBytes(header), header.size(), 2});
    for (const Whole& whole : files) {
        const std::string path = scratchPath("handmade-cut-boxes");
        writeBytes(path, whole.bytes);
        ASSERT_TRUE(readHeaderOf(path).readable);
        ASSERT_GT(whole.end, whole.recognised);
        for (size_t length = 1; length < whole.end; ++length) {
            writeBytes(path, Bytes(whole.bytes.begin(), whole.bytes.begin() + long(length)));
            SCOPED_TRACE("cut after " + std::to_string(length) + " bytes");
            if (length >= whole.recognised)
                expectUnreadable(path, UnreadableReason::Damaged);
            else
                expectUnreadable(path);
        }
        // The header whole, the pixels missing: the measure stands, unless
        // the codestream's box claims more than the file holds.
        writeBytes(path, Bytes(whole.bytes.begin(), whole.bytes.begin() + long(whole.end)));
        EXPECT_EQ(readHeaderOf(path).readable, &whole != &files[1]);
    }
}

// A sound header before missing or broken pixel data keeps its measure.
TEST(Header, SoundHeaderWithoutPixelDataKeepsItsMeasure)
{
    for (const char* suffix : {".jpg", ".png"}) {
        const std::string whole = scratchPath(std::string("data-whole") + suffix);
        ImageSpecForTest recipe;
        recipe.width = 64;
        recipe.height = 48;
        recipe.dpi = 300;
        ASSERT_TRUE(writeTestImage(QString::fromStdString(whole), recipe));
        const Bytes bytes = readBytes(whole);
        const size_t end = suffix == std::string(".jpg") ? jpegHeaderEnd(bytes) : pngHeaderEnd(bytes);
        Bytes cut(bytes.begin(), bytes.begin() + end);
        cut.insert(cut.end(), 7, 0xA5); // a little of something that is not image data
        const std::string path = scratchPath(std::string("data-cut") + suffix);
        writeBytes(path, cut);
        const ImageHeader header = readHeaderOf(path);
        EXPECT_TRUE(header.readable) << suffix;
        EXPECT_EQ(header.pixelsHigh, 48) << suffix;
        EXPECT_EQ(inspectedDpi(path), 300) << suffix;
    }
}

TEST(Header, NamedPipeIsRefusedAtOnce)
{
    const std::string fifo = scratchPath("pipe.jpg");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string link = scratchPath("link-to-pipe.png");
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
    for (const std::string& path : {fifo, link}) {
        bool inTime = false;
        const ImageHeader header = readWithin(path, 5s, &inTime);
        EXPECT_TRUE(inTime) << path << " blocked the reader";
        EXPECT_FALSE(header.readable) << path;
    }
}

TEST(Header, SymlinkToAnImageIsRead)
{
    const std::string target = scratchPath("link-target.png");
    ASSERT_TRUE(writePng(target, PngSpec {}));
    const std::string link = scratchPath("link-to-image");
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_TRUE(readHeaderOf(link).readable);
}

TEST(Header, FileWithoutReadPermissionIsUnreadable)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads every file";
    const std::string path = scratchPath("locked.png");
    ASSERT_TRUE(writePng(path, PngSpec {}));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    expectUnreadable(path, UnreadableReason::PermissionDenied);
}

// What a header claims is reported, never allocated or decoded.
TEST(Header, HugeClaimedSizeIsReportedNotAllocated)
{
    PngSpec recipe;
    recipe.width = 1;
    recipe.height = 1;
    const std::string small = scratchPath("claim-small.png");
    ASSERT_TRUE(writePng(small, recipe));
    Bytes bytes = readBytes(small);
    // Rewrite IHDR to 2^31-1 square, with its checksum.
    const uint32_t side = 0x7FFFFFFF;
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 4; ++k)
            bytes[16 + 4 * i + k] = static_cast<unsigned char>(side >> (24 - 8 * k));
    const uLong crc = crc32(crc32(0, nullptr, 0), bytes.data() + 12, 17);
    for (int k = 0; k < 4; ++k)
        bytes[29 + k] = static_cast<unsigned char>(crc >> (24 - 8 * k));
    const std::string huge = scratchPath("claim-huge.png");
    writeBytes(huge, bytes);

    const ImageHeader header = readHeaderOf(huge);
    ASSERT_TRUE(header.readable);
    EXPECT_EQ(header.pixelsHigh, 0x7FFFFFFF);
    EXPECT_EQ(header.pixelsWide, 0x7FFFFFFF);
}

// The report measures files in parallel: the same answers from many threads.
TEST(Header, ParallelReadsAgreeWithSerialOnes)
{
    std::vector<std::string> paths;
    const Model models[] = {Model::RGB, Model::CMYK, Model::Grey};
    for (const char* suffix : {".jpg", ".png", ".tif", ".webp"})
        for (Model model : models) {
            ImageSpecForTest recipe;
            recipe.model = model;
            recipe.dpi = 150 + 50 * static_cast<int>(model);
            recipe.height = 10 + static_cast<int>(model);
            const std::string path = scratchPath("parallel-" + std::to_string(int(model)) + suffix);
            ASSERT_TRUE(writeTestImage(QString::fromStdString(path), recipe));
            paths.push_back(path);
        }
    paths.push_back(scratchPath("parallel-missing.jpg"));
    writeBytes(scratchPath("parallel-cut.jpg"), Bytes{0xFF, 0xD8, 0xFF, 0xE1, 0x10});
    paths.push_back(scratchPath("parallel-cut.jpg"));

    std::vector<ImageHeader> serial;
    for (const auto& p : paths)
        serial.push_back(readHeaderOf(p));

    std::atomic<int> mismatches {0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int round = 0; round < 25; ++round)
                for (size_t i = 0; i < paths.size(); ++i) {
                    const ImageHeader h = readHeaderOf(paths[i]);
                    if (h.readable != serial[i].readable || h.pixelsHigh != serial[i].pixelsHigh
                        || h.verticalDpi != serial[i].verticalDpi || h.colourSpaceName != serial[i].colourSpaceName)
                        ++mismatches;
                }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
} // namespace quorvel::test
