// What the program accepts from a helper's child: every field within what an
// image can have, colour spaces from the known list, text fit for a line of
// output.
#include "platform/loader/LoaderProtocol.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace quorvel::test {
namespace {

using namespace platform::loader;

TEST(PrintableText, KeepsTextAndDefusesEverythingElse)
{
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"sRGB IEC61966-2.1", "sRGB IEC61966-2.1"},
        {"Fogra 39 \xC3\xA9t\xC3\xA9", "Fogra 39 \xC3\xA9t\xC3\xA9"}, // UTF-8 stays
        {"line\nforged\tfield\r", "line forged field "},
        {"\x1b]0;title\x07\x1b[2J", " ]0;title  [2J"},
        {"csi\xC2\x9B" "31m", "csi 31m"},  // C1 controls as well
        {"bad\xFF\xC3", "bad??"},           // not UTF-8
        {"over\xC0\xAFlong", "over??long"}, // overlong form of '/'
        {"del\x7F", "del "},
    };
    for (const Row& row : rows)
        EXPECT_EQ(printableText(row.in), row.out) << row.in;
    // Cut to the limit, never inside a character.
    EXPECT_EQ(printableText("\xC3\xA9\xC3\xA9\xC3\xA9", 5), "\xC3\xA9\xC3\xA9");
    EXPECT_EQ(printableText(std::string(1000, 'a')).size(), maxNameBytes);
}

std::vector<unsigned char> headerBytes(const std::function<void(ImageHeader&, ImageDetails&)>& change,
                                       bool withDetails = true)
{
    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = 30;
    header.pixelsWide = 40;
    header.verticalDpi = 300.0;
    header.colourSpaceName = "CalibratedRGB";
    ImageDetails details;
    details.bitsPerSample = 8;
    details.pages = 1;
    details.profileDescription = "sRGB";
    change(header, details);
    Writer w;
    writeHeader(w, header, withDetails ? &details : nullptr);
    return w.data();
}

bool accepted(const std::vector<unsigned char>& bytes, ImageDetails* details = nullptr)
{
    Reader r(bytes.data(), bytes.size());
    ImageHeader header;
    ImageDetails d;
    const bool ok = readHeader(r, header, &d);
    if (details)
        *details = d;
    return ok;
}

TEST(HelperReply, RefusesWhatNoImageHas)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        const char* name;
        std::function<void(ImageHeader&, ImageDetails&)> change;
        bool ok;
    };
    const Row rows[] = {
        {"as written", [](ImageHeader&, ImageDetails&) {}, true},
        {"float depth name", [](ImageHeader& h, ImageDetails&) { h.colourSpaceName = "RGB float"; }, true},
        {"unknown colour space", [](ImageHeader& h, ImageDetails&) { h.colourSpaceName = "RGB\nx\t1\t1"; }, false},
        {"negative side", [](ImageHeader& h, ImageDetails&) { h.pixelsHigh = -1; }, false},
        {"side past any image", [](ImageHeader& h, ImageDetails&) { h.pixelsWide = maxImageSide + 1; }, false},
        {"resolution not a number", [=](ImageHeader& h, ImageDetails&) { h.verticalDpi = nan; }, false},
        {"negative resolution", [](ImageHeader&, ImageDetails& d) { d.horizontalDpi = -72.0; }, false},
        {"huge resolution", [](ImageHeader&, ImageDetails& d) { d.verticalDpi = 1e300; }, false},
        {"depth of 0 bits", [](ImageHeader&, ImageDetails& d) { d.bitsPerSample = 0; }, false},
        {"a billion pages", [](ImageHeader&, ImageDetails& d) { d.pages = 1'000'000'000; }, false},
        {"profile name past the bound", [](ImageHeader&, ImageDetails& d) { d.profileDescription = std::string(5000, 'p'); },
         false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(accepted(headerBytes(row.change)), row.ok) << row.name;

    std::vector<unsigned char> trailing = headerBytes([](ImageHeader&, ImageDetails&) {});
    trailing.push_back(0);
    EXPECT_FALSE(accepted(trailing)) << "a byte beyond the reply";
    std::vector<unsigned char> cut = headerBytes([](ImageHeader&, ImageDetails&) {});
    for (size_t size = 0; size < cut.size(); ++size)
        EXPECT_FALSE(accepted(std::vector<unsigned char>(cut.begin(), cut.begin() + long(size)))) << size;
}

TEST(HelperReply, ProfileNameComesOutPrintable)
{
    ImageDetails details;
    ASSERT_TRUE(accepted(headerBytes([](ImageHeader&, ImageDetails& d) { d.profileDescription = "ok\n\x1b[31mred"; }),
                         &details));
    EXPECT_EQ(details.profileDescription, "ok  [31mred");
}

TEST(HelperReply, PreviewWithinTheBoundsAsked)
{
    const auto bytes = [](int width, int height) {
        Preview p{width, height, 3, std::vector<unsigned char>(size_t(width) * size_t(height) * 3, 0)};
        Writer w;
        writePreview(w, p);
        return w.data();
    };
    Preview preview;
    const std::vector<unsigned char> fits = bytes(20, 10);
    Reader r1(fits.data(), fits.size());
    EXPECT_TRUE(readPreview(r1, preview, 20, 20));
    Reader r2(fits.data(), fits.size());
    EXPECT_FALSE(readPreview(r2, preview, 16, 16)) << "larger than asked";
}

TEST(HelperReply, SuffixesAreNamesOnly)
{
    const auto read = [](const std::vector<std::string>& suffixes) {
        Writer w;
        writeSuffixes(w, suffixes);
        Reader r(w.data().data(), w.data().size());
        std::vector<std::string> out;
        return readSuffixes(r, out);
    };
    EXPECT_TRUE(read({"jp2", "svg", "heic"}));
    EXPECT_FALSE(read({"jp2", "*"}));
    EXPECT_FALSE(read({"jp2\n"}));
    EXPECT_FALSE(read({""}));
}

TEST(InkReply, KeepsTheHistogramAndRefusesWhatNoImageHas)
{
    InkStatistics ink;
    const uint8_t pixels[] = {255, 255, 255, 255, 0, 0, 0, 0, 10, 20, 30, 40};
    ink.addRow8(pixels, 3, 4);
    {
        Writer w;
        writeInk(w, InkReply::Measured, ink);
        Reader r(w.data().data(), w.data().size());
        std::optional<InkStatistics> read;
        ASSERT_TRUE(readInk(r, read));
        ASSERT_TRUE(read);
        EXPECT_EQ(*read, ink);
    }
    for (const InkReply reply : {InkReply::NotCmyk, InkReply::Unreadable}) {
        Writer w;
        writeInk(w, reply, ink);
        Reader r(w.data().data(), w.data().size());
        std::optional<InkStatistics> read = ink;
        EXPECT_TRUE(readInk(r, read));
        EXPECT_FALSE(read);
    }
    // Hand-made replies: kind, bin count, then (bin, count) pairs.
    struct Bad {
        const char* why;
        std::function<void(Writer&)> write;
    };
    const Bad bad[] = {
        {"unknown kind", [](Writer& w) { w.u8(3); }},
        {"no bins", [](Writer& w) { w.u8(0); w.i32(0); }},
        {"too many bins", [](Writer& w) { w.u8(0); w.i32(InkStatistics::binCount + 1); }},
        {"bin out of range", [](Writer& w) { w.u8(0); w.i32(1); w.i32(InkStatistics::binCount); w.f64(1); }},
        {"negative bin", [](Writer& w) { w.u8(0); w.i32(1); w.i32(-1); w.f64(1); }},
        {"bins out of order", [](Writer& w) { w.u8(0); w.i32(2); w.i32(5); w.f64(1); w.i32(5); w.f64(1); }},
        {"a fraction of a pixel", [](Writer& w) { w.u8(0); w.i32(1); w.i32(5); w.f64(1.5); }},
        {"no pixels in a bin", [](Writer& w) { w.u8(0); w.i32(1); w.i32(5); w.f64(0); }},
        {"more pixels than an image has", [](Writer& w) { w.u8(0); w.i32(1); w.i32(5); w.f64(1e300); }},
        {"not a number", [](Writer& w) { w.u8(0); w.i32(1); w.i32(5); w.f64(std::nan("")); }},
        {"cut short", [](Writer& w) { w.u8(0); w.i32(2); w.i32(5); w.f64(1); }},
        {"bytes beyond", [](Writer& w) { w.u8(1); w.u8(0); }},
    };
    for (const Bad& b : bad) {
        Writer w;
        b.write(w);
        Reader r(w.data().data(), w.data().size());
        std::optional<InkStatistics> read;
        EXPECT_FALSE(readInk(r, read)) << b.why;
        EXPECT_FALSE(read) << b.why;
    }
}

} // namespace
} // namespace quorvel::test
