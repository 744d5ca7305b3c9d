#include "check/CheckRules.h"

#include <cmath>
#include <limits>

namespace quorvel {

int32_t measuredDpi(int32_t pixelsHigh, float heightPoints)
{
    // Each step is rounded to single precision before the next.
    const float pixels = static_cast<float>(pixelsHigh);
    const float quotient = pixels / heightPoints;
    const float dpi = quotient * 72.0f;

    constexpr int32_t invalid = std::numeric_limits<int32_t>::min();
    if (!std::isfinite(dpi))
        return invalid;
    // Single precision lands a whole resolution a hair low (350 dpi, 5 px high
    // gives 349.99997); three decimals absorb that without lifting 299.79.
    const double rounded = std::round(static_cast<double>(dpi) * 1000.0) / 1000.0;
    const double truncated = std::trunc(rounded);
    if (truncated < static_cast<double>(std::numeric_limits<int32_t>::min())
        || truncated > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return invalid;
    return static_cast<int32_t>(truncated);
}

int32_t requiredDpi(int32_t sliderValue)
{
    return sliderValue == 75 ? 72 : sliderValue;
}

bool dpiFails(int32_t measured, int32_t required)
{
    return measured < required;
}

bool colourFails(ColourClass colourClass, int32_t selectedRow, bool matrixEnabled)
{
    const int row = matrixRow(colourClass);
    if (row < 0 || !matrixEnabled)
        return false;
    return selectedRow != row;
}

} // namespace quorvel
