#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

// The colour classes a setting can demand, with their row in the colour choice.
enum class ColourClass { CMYK, RGB, Grayscale, Other };

// The image loader's vocabulary: exactly one name per recognised class.
// Any other name (or none) is class Other.
namespace colourspace {
inline constexpr std::string_view cmyk = "DeviceCMYK";
inline constexpr std::string_view rgb = "CalibratedRGB";
inline constexpr std::string_view grayscale = "CalibratedGray";
} // namespace colourspace

// Exact, case-sensitive comparison; no fallback on the number of channels.
ColourClass classifyColourSpace(const std::optional<std::string>& name);

// Row of the colour choice for a recognised class, -1 for Other.
int matrixRow(ColourClass colourClass);

// "CMYK", "RGB", "Grayscale"; empty for Other.
std::string_view colourLabel(ColourClass colourClass);

} // namespace quorvel
