// Total ink: maximum, 99.9th percentile and area above a limit, gathered
// row by row from 8- and 16-bit CMYK, plain or inverted.
#include "check/InkStatistics.h"

#include <gtest/gtest.h>

#include <vector>

namespace quorvel {
namespace {

struct Patch {
    int x, y, wide, high;
    std::array<uint8_t, 4> cmyk;
};

// An image of `background` ink with patches, fed one row at a time.
InkStatistics gather(int wide, int high, std::array<uint8_t, 4> background, const std::vector<Patch>& patches,
                     int channels = 4, bool inverted = false)
{
    InkStatistics ink;
    std::vector<uint8_t> row(static_cast<size_t>(wide) * channels);
    for (int y = 0; y < high; ++y) {
        for (int x = 0; x < wide; ++x) {
            std::array<uint8_t, 4> px = background;
            for (const Patch& p : patches) {
                if (x >= p.x && x < p.x + p.wide && y >= p.y && y < p.y + p.high)
                    px = p.cmyk;
            }
            for (int c = 0; c < channels; ++c) {
                const uint8_t value = c < 4 ? px[c] : 255; // a spot channel is not ink
                row[x * channels + c] = inverted && c < 4 ? uint8_t(255 - value) : value;
            }
        }
        ink.addRow8(row.data(), wide, channels, inverted);
    }
    return ink;
}

TEST(InkStatistics, MeasuresMaximumPercentileAndAreaAboveTheLimit)
{
    // 320 % is 816 of 1020: 204 per ink. 200 % is 510: e.g. 255, 255, 0, 0.
    const std::array<uint8_t, 4> at320{204, 204, 204, 204};
    const std::array<uint8_t, 4> at200{255, 255, 0, 0};
    const std::array<uint8_t, 4> at100{0, 0, 0, 255};
    struct Case {
        const char* name;
        int channels;
        bool inverted;
    };
    for (const Case& c : {Case{"plain", 4, false}, Case{"inverted", 4, true}, Case{"with a spot channel", 5, false}}) {
        SCOPED_TRACE(c.name);
        // 300 dpi, 1000 x 700 px; a 2 x 2 mm patch (24 x 24 px) at 320 %.
        const InkStatistics ink = gather(1000, 700, at100, {{10, 10, 24, 24, at320}}, c.channels, c.inverted);
        EXPECT_EQ(ink.pixels(), 700000u);
        EXPECT_NEAR(*ink.maximumPercent(), 320.0, 1e-9);
        EXPECT_NEAR(*ink.percentile(0.999), 100.0, 1e-9); // 576 of 700000 pixels is under 0.1 %
        EXPECT_NEAR(*ink.percentile(0.9995), 320.0, 1e-9);
        EXPECT_EQ(ink.pixelsAbove(300), 576u);
        EXPECT_EQ(ink.pixelsAbove(320), 0u);
        EXPECT_EQ(ink.pixelsAbove(319), 576u);
        const std::optional<InkFigures> f = inkFigures(ink, 300, 300.0, 300.0);
        ASSERT_TRUE(f);
        EXPECT_NEAR(f->areaAboveMm2, 576 * (25.4 / 300) * (25.4 / 300), 1e-9); // 4.13 mm²
        EXPECT_NEAR(f->maximumPercent, 320.0, 1e-9);
        EXPECT_NEAR(f->percentile999, 100.0, 1e-9);
    }
    // A band of 200 % over 0.2 % of the pixels moves the 99.9th percentile.
    const InkStatistics band = gather(1000, 100, at100, {{0, 0, 200, 1, at200}});
    EXPECT_NEAR(*band.percentile(0.999), 200.0, 1e-9);
    EXPECT_NEAR(*band.percentile(0.997), 100.0, 1e-9);
}

TEST(InkStatistics, JudgesEightBitTotalsExactlyAtTheLimit)
{
    // Totals one step either side of 300 % (765 of 1020).
    struct Case {
        std::array<uint8_t, 4> cmyk;
        bool above300;
    };
    const Case cases[] = {
        {{255, 255, 255, 0}, false}, // exactly 300 %
        {{255, 255, 255, 1}, true},  // 300.39 %
        {{255, 255, 254, 0}, false},
        {{255, 255, 255, 255}, true},
        {{0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        InkStatistics ink;
        ink.addRow8(c.cmyk.data(), 1, 4);
        EXPECT_EQ(ink.pixelsAbove(300), c.above300 ? 1u : 0u) << int(c.cmyk[3]) << ' ' << int(c.cmyk[2]);
    }
}

TEST(InkStatistics, SixteenBitRowsAndMergedPartsAgreeWithEightBit)
{
    const std::vector<std::array<uint16_t, 4>> pixels16 = {
        {65535, 65535, 65535, 65535}, {0, 0, 0, 0}, {65535, 65535, 0, 0}, {52428, 52428, 52428, 52428}};
    InkStatistics whole;
    std::vector<uint16_t> row;
    for (const auto& p : pixels16)
        row.insert(row.end(), p.begin(), p.end());
    whole.addRow16(row.data(), pixels16.size(), 4);
    EXPECT_NEAR(*whole.maximumPercent(), 400.0, 1e-9);
    EXPECT_EQ(whole.pixelsAbove(300), 2u); // 400 % and 320 %
    EXPECT_EQ(whole.pixelsAbove(199), 3u);

    InkStatistics inverted;
    std::vector<uint16_t> flipped(row);
    for (uint16_t& v : flipped)
        v = uint16_t(65535 - v);
    inverted.addRow16(flipped.data(), pixels16.size(), 4, true);
    EXPECT_EQ(inverted, whole);

    InkStatistics first, second;
    first.addRow16(row.data(), 2, 4);
    second.addRow16(row.data() + 8, 2, 4);
    first.merge(second);
    EXPECT_EQ(first, whole);
    EXPECT_EQ(InkStatistics::fromHistogram(whole.histogram()), whole);
}

TEST(InkStatistics, AnEmptyImageHasNoFiguresAndAMissingResolutionCountsAs72Dpi)
{
    const InkStatistics none;
    EXPECT_FALSE(none.maximumPercent());
    EXPECT_FALSE(none.percentile(0.999));
    EXPECT_FALSE(inkFigures(none, 300, 300, 300));

    InkStatistics one;
    const uint8_t full[4] = {255, 255, 255, 255};
    one.addRow8(full, 1, 4);
    EXPECT_NEAR(inkFigures(one, 300, 0.0, 0.0)->areaAboveMm2, (25.4 / 72) * (25.4 / 72), 1e-12);
    EXPECT_NEAR(inkFigures(one, 300, 300.0, 150.0)->areaAboveMm2, (25.4 / 300) * (25.4 / 150), 1e-12);
    InkStatistics rgb;
    rgb.addRow8(full, 1, 3); // fewer than four channels carry no ink
    EXPECT_EQ(rgb.pixels(), 0u);
}

} // namespace
} // namespace quorvel
