#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// A trim size in millimetres, as the user names it ("A4") or types it.
struct TrimSize {
    std::string name; // empty for a custom size
    double widthMm = 0.0;
    double heightMm = 0.0;

    bool operator==(const TrimSize&) const = default;
};

// The sizes offered by name, in the order a menu lists them.
const std::vector<TrimSize>& namedTrimSizes();

// "A4", "us letter", "business card" (any case), or "210x297mm",
// "210 x 297", "85x55 mm": absent when the text names no positive size.
std::optional<TrimSize> parseTrimSize(std::string_view text);
// "3mm", "3 mm", "0.5": a bleed of 0 mm or more, at most 100 mm.
std::optional<double> parseBleedMm(std::string_view text);

// What a print shop asks of a file beyond its resolution and colour class.
// Every demand is off until set; a setting without any judges as before.
struct PrintDemands {
    std::optional<TrimSize> trim;
    double bleedMm = 0.0; // per side
    std::optional<int> inkLimitPercent; // total ink, CMYK images only
    double inkToleranceMm2 = 1.0;       // area above the limit that still passes
    bool requireProfile = false;
    std::string profileContains; // with requireProfile: the description must contain it (any case)
    bool noTransparency = false;
    bool noExtraChannels = false;

    bool any() const
    {
        return trim || inkLimitPercent || requireProfile || noTransparency || noExtraChannels;
    }
    bool operator==(const PrintDemands&) const = default;
};

// The whole pixels that cover `mm` at `dpi`: 216 mm at 300 dpi is 2551.2
// pixels, so 2552. A side that the arithmetic puts a hair above a whole
// number (254 mm at 300 dpi) needs that whole number.
int32_t pixelsCovering(double mm, int32_t dpi);

struct PixelSize {
    int32_t wide = 0;
    int32_t high = 0;
    bool operator==(const PixelSize&) const = default;
};

// The pixels that trim + 2 x bleed needs at `dpi`, turned to the image's
// own orientation (a landscape image is measured against a landscape page).
PixelSize pixelsNeeded(const TrimSize& trim, double bleedMm, int32_t dpi, int32_t imageWide, int32_t imageHigh);

// Whether the image covers the page in either orientation.
bool coversPrintSize(const TrimSize& trim, double bleedMm, int32_t dpi, int32_t imageWide, int32_t imageHigh);

// Whether a profile description satisfies `contains` (empty: any profile does);
// compared without regard to ASCII case.
bool profileMatches(std::string_view description, std::string_view contains);

} // namespace quorvel
