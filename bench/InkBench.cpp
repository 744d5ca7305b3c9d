// Total ink of a 24-megapixel CMYK image (6000 x 4000), read row by row at
// full resolution: an uncompressed TIFF, a deflate TIFF and a JPEG. Prints
// the median of five reads of each, in this process and through the confined
// loader helper as the program asks for it, and the largest resident size
// seen in this process.
//
//   bench/ink_bench
#include "platform/header/ImageFileReader.h"
#include "platform/loader/InkRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <vips/vips8>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using quorvel::InkStatistics;
using namespace quorvel::platform::loader;

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main()
{
    if (VIPS_INIT("ink_bench") != 0)
        return 1;
    vips_cache_set_max(0);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    // A photograph-like gradient with dark corners, not a flat field.
    const vips::VImage x = vips::VImage::xyz(6000, 4000).extract_band(0);
    const vips::VImage y = vips::VImage::xyz(6000, 4000).extract_band(1);
    const vips::VImage image = vips::VImage::bandjoin({(x * 255 / 6000), (y * 255 / 4000), ((x + y) * 255 / 10000),
                                                       ((x * y) / (6000.0 * 4000.0) * 255)})
                                   .cast(VIPS_FORMAT_UCHAR)
                                   .copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_CMYK));
    const std::vector<std::pair<const char*, std::string>> files = {
        {"TIFF, uncompressed", dir.filePath(QStringLiteral("ink.tif")).toStdString()},
        {"TIFF, deflate", dir.filePath(QStringLiteral("ink-deflate.tif")).toStdString()},
        {"JPEG, Q 90", dir.filePath(QStringLiteral("ink.jpg")).toStdString()},
    };
    image.tiffsave(files[0].second.c_str());
    image.tiffsave(files[1].second.c_str(), vips::VImage::option()->set("compression", VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE));
    image.jpegsave(files[2].second.c_str(), vips::VImage::option()->set("Q", 90));
    const long before = peakResidentKb();

    std::printf("total ink of a 24-megapixel CMYK image, median of 5 reads (target: 300 ms)\n");
    for (const int rows : {16, 64})
    for (const auto& [name, path] : files) {
        std::vector<double> times;
        double maximum = 0;
        for (int run = 0; run < 5; ++run) {
            const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            InkStatistics ink;
            const auto start = Clock::now();
            const InkResult result = readVipsInk(fd, ink, rows);
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            ::close(fd);
            if (result != InkResult::Measured)
                return 1;
            maximum = ink.maximumPercent().value_or(0);
        }
        std::sort(times.begin(), times.end());
        std::printf("  %-20s %3d rows at a time %7.1f ms   maximum %.0f %%\n", name, rows, times[2], maximum);
    }
    // As the program reads it: a child of the warm helper per file.
    setenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY, 0);
    const quorvel::platform::ImageFileReader reader;
    reader.readInk(files[0].second); // starts the helper
    std::printf("through the loader helper:\n");
    for (const auto& [name, path] : files) {
        std::vector<double> times;
        for (int run = 0; run < 5; ++run) {
            const auto start = Clock::now();
            if (!reader.readInk(path))
                return 1;
            times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        std::sort(times.begin(), times.end());
        std::printf("  %-20s %7.1f ms\n", name, times[2]);
    }
    std::printf("peak resident size: %ld MB before reading, %ld MB after\n", before / 1024, peakResidentKb() / 1024);
    return 0;
}
