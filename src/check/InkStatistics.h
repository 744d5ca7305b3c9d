#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvel {

// Total ink of a CMYK image: the sum of its four inks per pixel, 0 to 400 %.
// Gathered row by row, so an image of any size costs a few rows and this
// histogram. The limit is applied afterwards: one pass serves any limit.
class InkStatistics {
public:
    // Bins of 100 / 1020 % (a quarter of one 8-bit step of the sum): every
    // 8-bit total has a bin of its own, so a limit judges 8-bit pixels exactly.
    static constexpr int binCount = 4081;
    static constexpr double percentPerBin = 400.0 / (binCount - 1);

    // `channels` samples per pixel (4 or more; the first four are C, M, Y,
    // K, any further ones are not ink). `inverted`: the file keeps 255 for no
    // ink (Adobe's CMYK JPEG).
    void addRow8(const uint8_t* samples, size_t pixels, int channels, bool inverted = false);
    void addRow16(const uint16_t* samples, size_t pixels, int channels, bool inverted = false);
    // Adds another part of the same image (rows gathered elsewhere).
    void merge(const InkStatistics& other);

    uint64_t pixels() const { return m_pixels; }
    // Absent while no pixel was added.
    std::optional<double> maximumPercent() const;
    // The total that `fraction` of the pixels stay at or under (nearest rank:
    // 0.999 gives the 99.9th percentile).
    std::optional<double> percentile(double fraction) const;
    // Pixels whose total ink is strictly above `limitPercent`.
    uint64_t pixelsAbove(int limitPercent) const;

    const std::array<uint64_t, binCount>& histogram() const { return m_histogram; }
    // Rebuilds statistics from a histogram (as the loader helper sends it).
    static InkStatistics fromHistogram(const std::array<uint64_t, binCount>& histogram);

    bool operator==(const InkStatistics&) const = default;

private:
    std::array<uint64_t, binCount> m_histogram{};
    uint64_t m_pixels = 0;
};

// What the ink demand is judged on, worked out from the statistics.
struct InkFigures {
    double maximumPercent = 0.0;
    double percentile999 = 0.0;
    double areaAboveMm2 = 0.0; // at the recorded resolution
};

// The figures for `limitPercent`, the area at the given resolution (a file
// that records none counts as 72 dpi). Absent for an empty image.
std::optional<InkFigures> inkFigures(const InkStatistics& ink, int limitPercent, double horizontalDpi,
                                     double verticalDpi);

} // namespace quorvel
