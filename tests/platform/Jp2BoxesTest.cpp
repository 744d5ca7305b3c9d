// The JPEG 2000 box walk as a writer uses it: where each box lies, in the
// file and in memory alike, and what a resolution box's fields mean.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"
#include "Jp2NetpbmFiles.h"
#include "platform/header/HeaderFile.h"
#include "platform/header/Jp2Boxes.h"

#include <cstring>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

namespace jp2 = platform::header::jp2;

bool typeAt(const Bytes& file, const jp2::Box& box, const char* type)
{
    return box.end() <= int64_t(file.size()) && std::memcmp(file.data() + box.offset + 4, type, 4) == 0;
}

bool inside(const jp2::Box& child, const jp2::Box& parent)
{
    return child.offset >= parent.contentOffset() && child.end() <= parent.end();
}

TEST(Jp2Boxes, NameWhereEachBoxLiesInTheFileAndInMemory)
{
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended lengths" : "plain lengths");
        Jp2Recipe recipe;
        recipe.capture = Jp2Recipe::Resolution{11811, 1, 11811, 1, 0, 0};
        recipe.display = Jp2Recipe::Resolution{2835, 1, 2835, 1, 0, 0};
        recipe.channelTypes = {0, 0, 0};
        recipe.extendedLengths = extended;
        recipe.codestreamRunsToEnd = !extended;
        const Bytes file = jp2Bytes(recipe);
        const std::optional<jp2::Layout> memory = jp2::walkBoxes(file.data(), file.size());
        ASSERT_TRUE(memory);
        const jp2::Layout& l = *memory;
        EXPECT_TRUE(typeAt(file, l.fileType, "ftyp"));
        EXPECT_TRUE(typeAt(file, l.header, "jp2h"));
        EXPECT_TRUE(typeAt(file, l.imageHeader, "ihdr"));
        ASSERT_TRUE(l.colour && l.channels && l.resolution && l.capture && l.display);
        EXPECT_TRUE(typeAt(file, *l.resolution, "res "));
        EXPECT_TRUE(typeAt(file, *l.capture, "resc"));
        EXPECT_TRUE(typeAt(file, *l.display, "resd"));
        EXPECT_FALSE(l.palette);
        EXPECT_EQ(l.capture->headerBytes, extended ? 16 : 8);
        EXPECT_EQ(l.capture->contentLength(), int64_t(jp2::resolutionContentBytes));
        EXPECT_TRUE(inside(*l.capture, *l.resolution));
        EXPECT_TRUE(inside(*l.resolution, l.header));
        EXPECT_EQ(l.codestream.offset, l.header.end());
        EXPECT_EQ(l.codestream.end(), int64_t(file.size()));

        const std::string path = scratchPath("boxes.jp2");
        ASSERT_TRUE(writeBytes(path, file));
        const auto opened = platform::header::HeaderFile::open(path);
        ASSERT_TRUE(opened);
        const std::optional<jp2::Layout> onDisk = jp2::walkBoxes(*opened);
        ASSERT_TRUE(onDisk && onDisk->capture);
        EXPECT_EQ(onDisk->capture->offset, l.capture->offset);
        EXPECT_EQ(onDisk->codestream.offset, l.codestream.offset);
    }
}

// What a writer does: new values in the capture box, in place.
TEST(Jp2Boxes, CaptureContentRewrittenInPlaceIsWhatIsMeasured)
{
    Jp2Recipe recipe;
    recipe.capture = Jp2Recipe::Resolution{11811, 1, 11811, 1, 0, 0};
    Bytes file = jp2Bytes(recipe);
    const std::optional<jp2::Layout> layout = jp2::walkBoxes(file.data(), file.size());
    ASSERT_TRUE(layout && layout->capture);
    const unsigned char perMetre150[jp2::resolutionContentBytes] = {0x17, 0x11, 0, 1, 0x17, 0x11, 0, 1, 0, 0}; // 5905
    std::memcpy(file.data() + layout->capture->contentOffset(), perMetre150, sizeof perMetre150);
    const std::string path = scratchPath("rewritten.jp2");
    ASSERT_TRUE(writeBytes(path, file));
    EXPECT_EQ(inspectedDpi(path), 150);
}

TEST(Jp2Boxes, ResolutionValuesAreNumeratorOverDenominatorTimesAPowerOfTen)
{
    struct Case {
        unsigned numerator, denominator;
        int exponent;
        std::optional<double> perMetre;
    };
    const Case cases[] = {
        {11811, 1, 0, 11811.0}, {3937, 100, 2, 3937.0}, {23622, 2, -1, 1181.1},
        {1, 1, 127, 1e127},     {0, 1, 0, std::nullopt}, {11811, 0, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        const unsigned char content[jp2::resolutionContentBytes] = {
            uint8_t(c.numerator >> 8), uint8_t(c.numerator), uint8_t(c.denominator >> 8), uint8_t(c.denominator),
            0, 7, 0, 1, // the horizontal value: 7 per metre
            uint8_t(int8_t(c.exponent)), 0};
        const jp2::ResolutionValues v = jp2::resolutionValues(content);
        ASSERT_EQ(v.verticalPerMetre.has_value(), c.perMetre.has_value()) << c.numerator << "/" << c.denominator;
        if (c.perMetre) {
            EXPECT_NEAR(*v.verticalPerMetre, *c.perMetre, *c.perMetre * 1e-12);
        }
        EXPECT_EQ(v.horizontalPerMetre, 7.0);
    }
}

} // namespace
} // namespace quorvel::test
