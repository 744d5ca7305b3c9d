// The measure of one file and the preview, with a warm cache, on one core.
// Makes its own corpus (JPEG, TIFF and PNG; RGB, CMYK and grey; some print
// files carrying a 1 MB CMYK profile) and prints its figures:
//   - the measure: median of the per-file medians, and the slowest file;
//     libvips' own header load beside it for comparison;
//   - the same for layered documents (version 1 and 2, a 1 MB profile and
//     thumbnails ahead of the resolution) and bitmaps of every header version;
//   - the peak memory that a measure adds, small image against large;
//   - the preview of a 24-megapixel JPEG and of a 12-megapixel CMYK TIFF,
//     made by the loader helper (warm), with this process's memory beside it.
//
//   bench/measure_bench [files]
#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "platform/PreviewMaker.h"
#include "platform/loader/LoaderClient.h"
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "PsdBmpFiles.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <vips/vips8>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

using namespace quorvel;

long peakRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

bool writeImage(const QString& path, int width, int height, int kind, double dpi, bool profile)
{
    const int bands = kind == 2 ? 1 : (kind == 1 ? 4 : 3);
    const VipsInterpretation interpretation =
        kind == 2 ? VIPS_INTERPRETATION_B_W : (kind == 1 ? VIPS_INTERPRETATION_CMYK : VIPS_INTERPRETATION_sRGB);
    try {
        vips::VImage image = vips::VImage::gaussnoise(width, height).cast(VIPS_FORMAT_UCHAR);
        if (bands > 1)
            image = image.bandjoin(std::vector<vips::VImage>(bands - 1, image));
        image = image.copy(vips::VImage::option()
                               ->set("interpretation", interpretation)
                               ->set("xres", dpi / 25.4)
                               ->set("yres", dpi / 25.4));
        if (profile) {
            // libvips' own CMYK profile, the size of those that print files carry.
            VipsBlob* blob = nullptr;
            if (vips_profile_load("cmyk", &blob, nullptr) == 0 && blob) {
                size_t length = 0;
                const void* data = vips_blob_get(blob, &length);
                image.set("icc-profile-data", nullptr, const_cast<void*>(data), length);
                image.write_to_file(path.toUtf8().constData());
                vips_area_unref(VIPS_AREA(blob));
                return true;
            }
        }
        image.write_to_file(path.toUtf8().constData());
    } catch (const vips::VError& error) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), error.what());
        return false;
    }
    return true;
}

double vipsHeaderMicros(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    VipsImage* image = vips_image_new_from_file(path.toUtf8().constData(), nullptr);
    if (image) {
        (void)vips_image_get_height(image);
        g_object_unref(image);
    } else {
        vips_error_clear();
    }
    return timer.nsecsElapsed() / 1000.0;
}

// Median over the files of each file's median of 15 measures, with or
// without the details.
double medianMeasure(const QStringList& files, const platform::ImageFileReader& reader, bool details)
{
    std::vector<double> medians;
    for (const QString& path : files) {
        const std::string file = QFile::encodeName(path).toStdString();
        std::vector<double> runs;
        for (int r = 0; r < 15; ++r) {
            ImageDetails d;
            QElapsedTimer timer;
            timer.start();
            if (details)
                (void)measureImage(file, reader, d);
            else
                (void)measureImage(file, reader);
            runs.push_back(timer.nsecsElapsed() / 1000.0);
        }
        medians.push_back(medianOf(runs));
    }
    return medianOf(medians);
}

bool writeBytes(const QString& path, const test::Bytes& bytes)
{
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

// Layered documents and bitmaps as print work brings them.
bool writePsdBmpCorpus(const QTemporaryDir& dir, int count, QStringList& psd, QStringList& bmp)
{
    VipsBlob* blob = nullptr;
    test::Bytes profile;
    if (vips_profile_load("cmyk", &blob, nullptr) == 0 && blob) {
        size_t length = 0;
        const auto* data = static_cast<const unsigned char*>(vips_blob_get(blob, &length));
        profile.assign(data, data + length);
        vips_area_unref(VIPS_AREA(blob));
    }
    for (int i = 0; i < count; ++i) {
        test::PsdRecipe s;
        s.version = i % 4 == 3 ? 2 : 1;
        s.width = 2000 + i % 500;
        s.height = 1500 + i % 300;
        s.mode = i % 2 ? 4 : 3;
        s.channels = s.mode == 4 ? 4 : 3;
        s.resolution = test::PsdRecipe::Resolution{300, 300, uint16_t(1 + i % 2)};
        s.fillerResources = 20;
        s.fillerBytes = i % 3 == 0 ? 4096 : 256; // thumbnails, paths, guides
        s.layers = i % 7;
        s.layersInTaggedBlock = i % 5 == 0;
        if (s.mode == 4)
            s.profile = profile;
        const QString path = dir.filePath(QStringLiteral("d%1.%2").arg(i).arg(s.version == 2 ? "psb" : "psd"));
        test::BmpRecipe b;
        const uint32_t headers[] = {12, 40, 108, 124};
        b.headerSize = headers[i % 4];
        b.bitCount = b.headerSize == 12 ? 8 : (i % 3 == 0 ? 8 : 24);
        b.width = 1000 + i % 300;
        b.height = (i % 2 ? -1 : 1) * (800 + i % 200);
        b.xPerMetre = b.yPerMetre = 11811;
        b.greyPalette = i % 6 == 0;
        const QString bmpPath = dir.filePath(QStringLiteral("b%1.bmp").arg(i));
        if (!writeBytes(path, test::psdBytes(s)) || !writeBytes(bmpPath, test::bmpBytes(b)))
            return false;
        psd << path;
        bmp << bmpPath;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!std::getenv("QUORVEL_LOADER"))
        ::setenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY, 1);
    const int count = argc > 1 ? std::max(9, atoi(argv[1])) : 300;
    test::ensureVipsStarted();
    vips_concurrency_set(1);
    QTemporaryDir dir;
    const char* suffixes[] = {"jpg", "tif", "png"};
    QStringList corpus;
    for (int i = 0; i < count; ++i) {
        const int format = i % 3;
        const int kind = format == 2 ? (i / 3) % 2 * 2 : (i / 3) % 3; // PNG takes no CMYK
        const bool profile = kind == 1 && i % 5 == 0;
        const QString path = dir.filePath(QStringLiteral("f%1.%2").arg(i).arg(QLatin1String(suffixes[format])));
        if (!writeImage(path, 200 + i % 300, 150 + i % 200, kind, 72.0 + (i % 4) * 76, profile))
            return 1;
        corpus << path;
    }

    const platform::ImageFileReader reader;
    for (const QString& path : corpus) // warm the cache
        (void)measureImage(QFile::encodeName(path).toStdString(), reader);

    std::vector<double> medians;
    std::vector<double> vipsMedians;
    double slowest = 0;
    QString slowestFile;
    for (const QString& path : corpus) {
        const std::string file = QFile::encodeName(path).toStdString();
        std::vector<double> runs;
        std::vector<double> vipsRuns;
        for (int r = 0; r < 15; ++r) {
            QElapsedTimer timer;
            timer.start();
            (void)measureImage(file, reader);
            runs.push_back(timer.nsecsElapsed() / 1000.0);
            if (r < 5)
                vipsRuns.push_back(vipsHeaderMicros(path));
        }
        const double median = medianOf(runs);
        medians.push_back(median);
        vipsMedians.push_back(medianOf(vipsRuns));
        if (median > slowest) {
            slowest = median;
            slowestFile = path;
        }
    }
    VipsBlob* profile = nullptr;
    size_t profileSize = 0;
    if (vips_profile_load("cmyk", &profile, nullptr) == 0 && profile) {
        vips_blob_get(profile, &profileSize);
        vips_area_unref(VIPS_AREA(profile));
    }
    std::printf("measure, %d files (JPEG/TIFF/PNG; RGB, CMYK, grey; every fifth CMYK file with a %zu KiB profile),"
                " warm cache, one core\n", count, profileSize / 1024);
    std::printf("  median of per-file medians: %8.1f us   (target <= 100 us)\n", medianOf(medians));
    std::printf("  slowest file's median:      %8.1f us   (target <= 2000 us)  %s\n", slowest,
                qPrintable(slowestFile.section(QLatin1Char('/'), -1)));
    std::printf("  libvips header load, median:%8.1f us   (for comparison)\n", medianOf(vipsMedians));

    QStringList psd, bmp;
    if (!writePsdBmpCorpus(dir, std::max(12, count / 10), psd, bmp))
        return 1;
    for (const QString& path : psd + bmp) // warm the cache
        (void)measureImage(QFile::encodeName(path).toStdString(), reader);
    std::printf("measure of layered documents (%lld, every other CMYK with a %zu KiB profile, 20 resources"
                " ahead of the resolution) and bitmaps (%lld, every header version), median per file:\n",
                static_cast<long long>(psd.size()), profileSize / 1024, static_cast<long long>(bmp.size()));
    std::printf("  PSD/PSB measure: %8.1f us, with details %8.1f us   (target <= 100 us)\n",
                medianMeasure(psd, reader, false), medianMeasure(psd, reader, true));
    std::printf("  BMP measure:     %8.1f us, with details %8.1f us   (target <= 100 us)\n",
                medianMeasure(bmp, reader, false), medianMeasure(bmp, reader, true));

    // Memory: the measure of a 48-megapixel file adds no more than a small one's.
    const QString small = dir.filePath(QStringLiteral("small.jpg"));
    const QString large = dir.filePath(QStringLiteral("large.tif"));
    writeImage(small, 100, 100, 0, 300, false);
    writeImage(large, 8000, 6000, 1, 300, false);
    const long beforeSmall = peakRssKb();
    for (int r = 0; r < 50; ++r)
        (void)measureImage(QFile::encodeName(small).toStdString(), reader);
    const long afterSmall = peakRssKb();
    for (int r = 0; r < 50; ++r)
        (void)measureImage(QFile::encodeName(large).toStdString(), reader);
    const long afterLarge = peakRssKb();
    std::printf("memory: peak grows %ld KiB over 50 measures of 100x100, %ld KiB over 50 of 8000x6000\n",
                afterSmall - beforeSmall, afterLarge - afterSmall);

    // Previews, from a warm helper: the first one starts it.
    const QString photo = dir.filePath(QStringLiteral("photo24mp.jpg"));
    const QString print = dir.filePath(QStringLiteral("print12mp.tif"));
    writeImage(photo, 6000, 4000, 0, 300, false);
    writeImage(print, 4000, 3000, 1, 300, true);
    for (const auto& [path, target] : {std::pair{photo, 150}, std::pair{print, 450}}) {
        (void)platform::makePreview(path, QSize(64, 64)); // warm the cache
        // The first preview after a start waits for the helper to start.
        platform::loader::stopIdleHelpers();
        QElapsedTimer cold;
        cold.start();
        (void)platform::makePreview(path, QSize(480, 480));
        const double coldMs = cold.nsecsElapsed() / 1e6;
        const long before = peakRssKb();
        std::vector<double> runs;
        for (int r = 0; r < 5; ++r) {
            QElapsedTimer timer;
            timer.start();
            const QImage preview = platform::makePreview(path, QSize(480, 480));
            runs.push_back(timer.nsecsElapsed() / 1e6);
            if (preview.isNull())
                std::printf("  no preview for %s\n", qPrintable(path));
        }
        std::printf("preview %-14s median %6.1f ms (target <= %d ms), %6.1f ms from a cold helper;"
                    " this process's peak RSS %ld MiB (grew %ld MiB)\n",
                    qPrintable(path.section(QLatin1Char('/'), -1)), medianOf(runs), target, coldMs, peakRssKb() / 1024,
                    (peakRssKb() - before) / 1024);
    }
    return 0;
}
