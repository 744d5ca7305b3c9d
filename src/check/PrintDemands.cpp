#include "check/PrintDemands.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace quorvel {
namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

// A plain decimal number that fills the whole text.
std::optional<double> number(std::string_view text)
{
    text = trimmed(text);
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string_view withoutMm(std::string_view text)
{
    text = trimmed(text);
    if (text.size() >= 2 && lower(text[text.size() - 2]) == 'm' && lower(text.back()) == 'm')
        text.remove_suffix(2);
    return trimmed(text);
}

// Larger than any sheet a press takes; keeps the pixel arithmetic in range.
constexpr double largestSideMm = 10000.0;

} // namespace

const std::vector<TrimSize>& namedTrimSizes()
{
    static const std::vector<TrimSize> sizes = {
        {"A3", 297.0, 420.0},
        {"A4", 210.0, 297.0},
        {"A5", 148.0, 210.0},
        {"A6", 105.0, 148.0},
        {"US Letter", 215.9, 279.4},
        {"Business card", 85.0, 55.0},
    };
    return sizes;
}

std::optional<TrimSize> parseTrimSize(std::string_view text)
{
    text = trimmed(text);
    const std::string name = lowered(text);
    for (const TrimSize& size : namedTrimSizes()) {
        if (name == lowered(size.name))
            return size;
    }
    if (name == "letter")
        return namedTrimSizes().at(4);
    if (name == "business-card")
        return namedTrimSizes().at(5);

    const size_t x = name.find('x');
    if (x == std::string::npos)
        return std::nullopt;
    const std::string_view whole(name);
    const std::optional<double> width = number(withoutMm(whole.substr(0, x)));
    const std::optional<double> height = number(withoutMm(whole.substr(x + 1)));
    if (!width || !height || !(*width > 0.0) || !(*height > 0.0) || *width > largestSideMm || *height > largestSideMm)
        return std::nullopt;
    return TrimSize{std::string(), *width, *height};
}

std::optional<double> parseBleedMm(std::string_view text)
{
    const std::optional<double> mm = number(withoutMm(text));
    if (!mm || *mm < 0.0 || *mm > 100.0)
        return std::nullopt;
    return mm;
}

int32_t pixelsCovering(double mm, int32_t dpi)
{
    if (!(mm > 0.0) || dpi <= 0)
        return 0;
    const double exact = mm * dpi / 25.4;
    // Rounded to a millionth first, so 254 mm at 300 dpi (3000.0000000000005)
    // needs 3000 pixels, not 3001.
    const double settled = std::round(exact * 1e6) / 1e6;
    const double whole = std::ceil(settled);
    if (whole >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(whole);
}

PixelSize pixelsNeeded(const TrimSize& trim, double bleedMm, int32_t dpi, int32_t imageWide, int32_t imageHigh)
{
    const int32_t across = pixelsCovering(trim.widthMm + 2.0 * bleedMm, dpi);
    const int32_t down = pixelsCovering(trim.heightMm + 2.0 * bleedMm, dpi);
    const bool imageLandscape = imageWide > imageHigh;
    const bool pageLandscape = across > down;
    if (imageLandscape != pageLandscape && across != down)
        return {down, across};
    return {across, down};
}

bool coversPrintSize(const TrimSize& trim, double bleedMm, int32_t dpi, int32_t imageWide, int32_t imageHigh)
{
    const int32_t across = pixelsCovering(trim.widthMm + 2.0 * bleedMm, dpi);
    const int32_t down = pixelsCovering(trim.heightMm + 2.0 * bleedMm, dpi);
    return (imageWide >= across && imageHigh >= down) || (imageWide >= down && imageHigh >= across);
}

bool profileMatches(std::string_view description, std::string_view contains)
{
    if (contains.empty())
        return true;
    return lowered(description).find(lowered(contains)) != std::string::npos;
}

} // namespace quorvel
