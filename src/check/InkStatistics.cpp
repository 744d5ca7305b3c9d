#include "check/InkStatistics.h"

#include <cmath>

namespace quorvel {

void InkStatistics::addRow8(const uint8_t* samples, size_t pixels, int channels, bool inverted)
{
    if (channels < 4)
        return;
    const size_t step = static_cast<size_t>(channels);
    for (size_t i = 0; i < pixels; ++i, samples += step) {
        unsigned sum = unsigned(samples[0]) + samples[1] + samples[2] + samples[3];
        if (inverted)
            sum = 4u * 255u - sum;
        ++m_histogram[sum * 4u];
    }
    m_pixels += pixels;
}

void InkStatistics::addRow16(const uint16_t* samples, size_t pixels, int channels, bool inverted)
{
    if (channels < 4)
        return;
    const size_t step = static_cast<size_t>(channels);
    constexpr uint64_t full = 4ull * 65535ull;
    for (size_t i = 0; i < pixels; ++i, samples += step) {
        uint64_t sum = uint64_t(samples[0]) + samples[1] + samples[2] + samples[3];
        if (inverted)
            sum = full - sum;
        // Nearest bin, in integers: sum * 4080 / (4 * 65535).
        const uint64_t bin = (sum * (binCount - 1) + full / 2) / full;
        ++m_histogram[bin];
    }
    m_pixels += pixels;
}

void InkStatistics::merge(const InkStatistics& other)
{
    for (int i = 0; i < binCount; ++i)
        m_histogram[i] += other.m_histogram[i];
    m_pixels += other.m_pixels;
}

InkStatistics InkStatistics::fromHistogram(const std::array<uint64_t, binCount>& histogram)
{
    InkStatistics ink;
    ink.m_histogram = histogram;
    for (uint64_t count : histogram)
        ink.m_pixels += count;
    return ink;
}

std::optional<double> InkStatistics::maximumPercent() const
{
    for (int i = binCount - 1; i >= 0; --i) {
        if (m_histogram[i] != 0)
            return i * percentPerBin;
    }
    return std::nullopt;
}

std::optional<double> InkStatistics::percentile(double fraction) const
{
    if (m_pixels == 0)
        return std::nullopt;
    fraction = std::fmin(std::fmax(fraction, 0.0), 1.0);
    // Nearest rank, at least the first pixel.
    uint64_t rank = static_cast<uint64_t>(std::ceil(fraction * static_cast<double>(m_pixels)));
    if (rank == 0)
        rank = 1;
    uint64_t seen = 0;
    for (int i = 0; i < binCount; ++i) {
        seen += m_histogram[i];
        if (seen >= rank)
            return i * percentPerBin;
    }
    return maximumPercent();
}

uint64_t InkStatistics::pixelsAbove(int limitPercent) const
{
    // Bin i holds a total of i * 400 / 4080 %; above the limit when
    // i * 400 > limit * 4080, i.e. i * 10 > limit * 102, in integers.
    uint64_t count = 0;
    for (int i = binCount - 1; i >= 0 && int64_t(i) * 10 > int64_t(limitPercent) * 102; --i)
        count += m_histogram[i];
    return count;
}

std::optional<InkFigures> inkFigures(const InkStatistics& ink, int limitPercent, double horizontalDpi,
                                     double verticalDpi)
{
    if (ink.pixels() == 0)
        return std::nullopt;
    const double h = horizontalDpi > 0.0 && std::isfinite(horizontalDpi) ? horizontalDpi : 72.0;
    const double v = verticalDpi > 0.0 && std::isfinite(verticalDpi) ? verticalDpi : 72.0;
    InkFigures figures;
    figures.maximumPercent = *ink.maximumPercent();
    figures.percentile999 = *ink.percentile(0.999);
    figures.areaAboveMm2 = static_cast<double>(ink.pixelsAbove(limitPercent)) * (25.4 / h) * (25.4 / v);
    return figures;
}

} // namespace quorvel
