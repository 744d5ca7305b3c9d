// The measure of one file and the preview, on a corpus made here: mixed JPEG,
// TIFF, PNG and WebP in RGB, CMYK and grey, some carrying a CMYK profile of
// almost 1 MB as print files do.
//
// Prints per-file times of the measure (one core, warm cache), the corpus
// median and worst file, the peak memory of a measure for small and very
// large pixel counts, and the time and peak memory of previews.
//
//   header_bench [--keep] [google benchmark flags]
//   header_bench --probe measure|preview|none FILE   (used by itself)
#include "check/ImageMeasure.h"
#include "platform/PreviewMaker.h"
#include "platform/VipsRuntime.h"
#include "platform/header/ImageFileReader.h"

#include <benchmark/benchmark.h>
#include <vips/vips8>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using vips::VImage;

namespace {

const QSize previewBounds(480, 360); // about the inspector's preview

struct CorpusFile {
    std::string name;
    std::string path;
    int width;
    int height;
};

// Smooth shapes with a little grain: compresses and decodes about like a
// photograph (a 24-megapixel JPEG at quality 90 comes to some 10 MB), not
// like a flat test card or pure noise.
VImage photoLike(int width, int height, int bands)
{
    const VImage xy = VImage::xyz(width, height);
    const VImage x = xy[0] * (360.0 * 7 / width);
    const VImage y = xy[1] * (360.0 * 5 / height);
    VImage image;
    for (int b = 0; b < bands; ++b) {
        VImage grain = VImage::gaussnoise(width, height, VImage::option()->set("sigma", 5.0)->set("mean", 0.0));
        VImage plane = ((x + 40.0 * b).sin() * (y - 25.0 * b).cos() * 70.0 + 120.0 + grain).cast(VIPS_FORMAT_UCHAR);
        image = b == 0 ? plane : image.bandjoin(plane);
    }
    return image;
}

VImage flat(int width, int height, int bands)
{
    return (VImage::black(width, height, VImage::option()->set("bands", bands)) + 100).cast(VIPS_FORMAT_UCHAR);
}

VImage tagged(VImage image, VipsInterpretation interpretation, double dpi, bool profile)
{
    image = image.copy(VImage::option()
                           ->set("interpretation", interpretation)
                           ->set("xres", dpi / 25.4)
                           ->set("yres", dpi / 25.4));
    image.set(VIPS_META_RESOLUTION_UNIT, "in");
    if (profile) {
        VipsBlob* blob = nullptr;
        if (vips_profile_load("cmyk", &blob, nullptr) == 0) {
            size_t size = 0;
            const void* data = vips_blob_get(blob, &size);
            vips_image_set_blob_copy(image.get_image(), VIPS_META_ICC_NAME, data, size);
            vips_area_unref(reinterpret_cast<VipsArea*>(blob));
        }
    }
    return image;
}

struct Made {
    std::vector<CorpusFile> timed;    // the measure's corpus
    std::vector<CorpusFile> memory;   // small and very large pixel counts
    CorpusFile jpeg24;                // previews
    CorpusFile cmykTiff12;
};

Made makeCorpus(const fs::path& dir)
{
    Made made;
    auto write = [&dir](const std::string& name, VImage image, const char* options = "") {
        const std::string path = (dir / name).string();
        image.write_to_file((path + options).c_str());
        return CorpusFile {name, path, image.width(), image.height()};
    };
    using I = VipsInterpretation;
    const I srgb = VIPS_INTERPRETATION_sRGB, cmyk = VIPS_INTERPRETATION_CMYK, bw = VIPS_INTERPRETATION_B_W;
    std::fprintf(stderr, "making the corpus in %s ...\n", dir.c_str());

    made.jpeg24 = write("rgb-24mp.jpg", tagged(photoLike(6000, 4000, 3), srgb, 300, false), "[Q=90]");
    made.cmykTiff12 = write("cmyk-12mp-profile.tif", tagged(photoLike(4243, 2828, 4), cmyk, 300, true), "");
    made.timed = {
        made.jpeg24,
        made.cmykTiff12,
        write("rgb-2mp.jpg", tagged(photoLike(1800, 1200, 3), srgb, 72, false)),
        write("rgb-2mp-progressive.jpg", tagged(photoLike(1800, 1200, 3), srgb, 150, false), "[interlace]"),
        write("cmyk-8mp-profile.jpg", tagged(photoLike(3500, 2300, 4), cmyk, 300, true)),
        write("cmyk-2mp.jpg", tagged(photoLike(1800, 1200, 4), cmyk, 300, false)),
        write("grey-3mp.jpg", tagged(photoLike(2000, 1500, 1), bw, 600, false)),
        write("rgb-3mp.tif", tagged(photoLike(2000, 1500, 3), srgb, 300, false)),
        write("rgb-3mp-deflate.tif", tagged(photoLike(2000, 1500, 3), srgb, 300, false), "[compression=deflate]"),
        write("cmyk-3mp-profile.tif", tagged(photoLike(2000, 1500, 4), cmyk, 300, true)),
        write("grey16-3mp.tif", tagged(photoLike(2000, 1500, 1).cast(VIPS_FORMAT_USHORT) * 256, VIPS_INTERPRETATION_GREY16, 1200, false)),
        write("rgb-3mp.png", tagged(photoLike(2000, 1500, 3), srgb, 300, false)),
        write("rgba-1mp.png", tagged(photoLike(1200, 900, 4), srgb, 72, false)),
        write("grey-3mp.png", tagged(photoLike(2000, 1500, 1), bw, 150, false)),
        write("rgb-2mp.webp", tagged(photoLike(1800, 1200, 3), srgb, 72, false)),
    };
    // Very large pixel counts, flat so the files stay small: a measure must
    // cost the same memory as for a thumbnail-sized file.
    made.memory = {
        write("mem-small.jpg", tagged(flat(100, 100, 3), srgb, 300, false)),
        write("mem-100mp.jpg", tagged(flat(10000, 10000, 3), srgb, 300, false)),
        write("mem-small.tif", tagged(flat(100, 100, 4), cmyk, 300, false), "[compression=deflate]"),
        write("mem-100mp.tif", tagged(flat(10000, 10000, 4), cmyk, 300, false), "[compression=deflate,tile]"),
        write("mem-100mp-strips.tif", tagged(flat(10000, 10000, 1), bw, 300, false), "[compression=deflate]"),
        write("mem-small.png", tagged(flat(100, 100, 3), srgb, 300, false)),
        write("mem-100mp.png", tagged(flat(10000, 10000, 3), srgb, 300, false)),
    };
    return made;
}

// ---- measure ----

// The measure runs on one core: the figures must not depend on what else
// the machine runs. Previews may use every core, as libvips does.
void pinToOneCore(bool pin)
{
    static cpu_set_t all = [] {
        cpu_set_t set;
        ::sched_getaffinity(0, sizeof set, &set);
        return set;
    }();
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(0, &one);
    ::sched_setaffinity(0, sizeof(cpu_set_t), pin ? &one : &all);
}

void measureFile(benchmark::State& state, std::string path)
{
    pinToOneCore(true);
    const quorvel::platform::ImageFileReader reader;
    for (auto _ : state) {
        quorvel::ImageMeasure m = quorvel::measureImage(path, reader);
        benchmark::DoNotOptimize(m);
    }
}

void previewFile(benchmark::State& state, std::string path)
{
    pinToOneCore(false);
    for (auto _ : state) {
        QImage image = quorvel::platform::makePreview(QString::fromStdString(path), previewBounds);
        if (image.isNull())
            state.SkipWithError("no preview");
        benchmark::DoNotOptimize(image);
    }
}

// For comparison with makePreview: shrink the decoded image first, then
// convert CMYK through its profile on the small one.
void previewShrinkFirst(benchmark::State& state, std::string path)
{
    pinToOneCore(false);
    for (auto _ : state) {
        try {
            VImage in = VImage::new_from_file(path.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
            const double scale = std::min(double(previewBounds.width()) / in.width(),
                                          double(previewBounds.height()) / in.height());
            VImage small = in.resize(scale);
            if (small.interpretation() == VIPS_INTERPRETATION_CMYK)
                small = small.icc_transform("srgb", VImage::option()->set("embedded", true)->set("input_profile", "cmyk"));
            size_t size = 0;
            g_free(small.cast(VIPS_FORMAT_UCHAR).write_to_memory(&size));
        } catch (const vips::VError& error) {
            state.SkipWithError(error.what());
        }
    }
}

// Keeps the console output and collects the medians for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate)
            {
                const double perSecond = benchmark::GetTimeUnitMultiplier(run.time_unit);
                seconds[run.run_name.function_name][run.aggregate_name] = run.GetAdjustedRealTime() / perSecond;
                cpuSeconds[run.run_name.function_name][run.aggregate_name] = run.GetAdjustedCPUTime() / perSecond;
            }
    }
    std::map<std::string, std::map<std::string, double>> seconds; // benchmark -> aggregate -> s
    std::map<std::string, std::map<std::string, double>> cpuSeconds;
};

// ---- peak memory, each in a fresh process ----

// Peak resident set of this process's own address space: VmHWM, which
// (unlike ru_maxrss) does not inherit the parent's size across fork and exec.
long highWaterKilobytes()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status)
        return -1;
    char line[256];
    long kilobytes = -1;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kilobytes) == 1)
            break;
    std::fclose(status);
    return kilobytes;
}

long peakKilobytes(const char* what, const std::string& path)
{
    const std::string command = "/proc/" + std::to_string(::getpid()) + "/exe --probe " + what + " '" + path + "'";
    FILE* child = ::popen(command.c_str(), "r");
    if (!child)
        return -1;
    long kilobytes = -1;
    if (std::fscanf(child, "%ld", &kilobytes) != 1)
        kilobytes = -1;
    return ::pclose(child) == 0 ? kilobytes : -1;
}

int probe(const std::string& what, const std::string& path)
{
    quorvel::platform::ensureVipsStarted();
    bool ok = true;
    if (what == "measure")
        ok = quorvel::measureImage(path, quorvel::platform::ImageFileReader()).pixelsHigh > 0;
    else if (what == "preview")
        ok = !quorvel::platform::makePreview(QString::fromStdString(path), previewBounds).isNull();
    std::printf("%ld\n", highWaterKilobytes());
    return ok ? 0 : 1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0.0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--probe") == 0)
        return probe(argv[2], argc >= 4 ? argv[3] : "");

    bool keep = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--keep") == 0)
            keep = true;
        else
            args.push_back(argv[i]);
    }
    int benchArgc = static_cast<int>(args.size());
    benchmark::Initialize(&benchArgc, args.data());

    quorvel::platform::ensureVipsStarted();
    char pattern[] = "/tmp/quorvel-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        return 1;
    const fs::path dir(pattern);
    Made corpus;
    try {
        corpus = makeCorpus(dir);
    } catch (const vips::VError& error) {
        std::fprintf(stderr, "could not make the corpus: %s\n", error.what());
        return 1;
    }

    for (const CorpusFile& f : corpus.timed)
        benchmark::RegisterBenchmark(("measure/" + f.name).c_str(), measureFile, f.path)
            ->Unit(benchmark::kMicrosecond)
            ->Repetitions(5)
            ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
            ->ReportAggregatesOnly(true);
    using Function = void (*)(benchmark::State&, std::string);
    const std::pair<std::string, Function> kinds[] = {{"preview/", previewFile}, {"shrink-first/", previewShrinkFirst}};
    const auto maxOf = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); };
    for (const CorpusFile* f : {&corpus.jpeg24, &corpus.cmykTiff12})
        for (const auto& [kind, function] : kinds)
            benchmark::RegisterBenchmark((kind + f->name).c_str(), function, f->path)
                ->Unit(benchmark::kMillisecond)
                ->MeasureProcessCPUTime() // libvips works on threads of its own
                ->UseRealTime()
                ->Iterations(3)
                ->Repetitions(3)
                ->ComputeStatistics("max", maxOf)
                ->ReportAggregatesOnly(true);

    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n== measure on one core, per file: median and max of 5 repetitions (wall), median CPU ==\n");
    std::vector<double> medians;
    double worst = 0.0;
    std::string worstName;
    for (const CorpusFile& f : corpus.timed) {
        const auto found = reporter.seconds.find("measure/" + f.name);
        if (found == reporter.seconds.end())
            continue;
        const double med = found->second["median"] * 1e6, max = found->second["max"] * 1e6;
        const double cpu = reporter.cpuSeconds["measure/" + f.name]["median"] * 1e6;
        std::printf("  %-28s %6d x %-6d %10ju bytes  %8.1f us  %8.1f us  %8.1f us CPU\n", f.name.c_str(), f.width,
                    f.height, static_cast<uintmax_t>(fs::file_size(f.path)), med, max, cpu);
        medians.push_back(med);
        if (max > worst) {
            worst = max;
            worstName = f.name;
        }
    }
    std::printf("  corpus median %.1f us (target <= 100 us); slowest file %s %.1f us (target <= 2000 us)\n",
                median(medians), worstName.c_str(), worst);

    std::printf("\n== peak resident memory of one process (KiB) ==\n");
    const long base = peakKilobytes("none", "");
    std::printf("  process without any work        %8ld\n", base);
    for (const CorpusFile& f : corpus.memory)
    {
        const long peak = peakKilobytes("measure", f.path);
        std::printf("  measure %-22s %6d x %-6d %8ld  (+%ld)\n", f.name.c_str(), f.width, f.height, peak, peak - base);
    }
    for (const CorpusFile* f : {&corpus.jpeg24, &corpus.cmykTiff12})
    {
        const long peak = peakKilobytes("preview", f->path);
        std::printf("  preview %-22s %6d x %-6d %8ld  (+%ld)\n", f->name.c_str(), f->width, f->height, peak, peak - base);
    }

    std::printf("\n== preview at %dx%d, median of 3 x 3: wall time, CPU time of all threads ==\n",
                previewBounds.width(), previewBounds.height());
    for (const auto& [target, f] : {std::pair {150.0, &corpus.jpeg24}, std::pair {500.0, &corpus.cmykTiff12}})
        for (const char* kind : {"preview/", "shrink-first/"}) {
            const std::string name = kind + f->name;
            if (!reporter.seconds.count(name))
                continue;
            std::printf("  %-40s %8.1f ms %8.1f ms CPU (target <= %.0f ms)\n", name.c_str(),
                        reporter.seconds[name]["median"] * 1e3, reporter.cpuSeconds[name]["median"] * 1e3, target);
        }

    double load[3] = {};
    if (::getloadavg(load, 3) > 0)
        std::printf("\nload average at the end: %.2f %.2f %.2f on %ld cores\n", load[0], load[1], load[2],
                    ::sysconf(_SC_NPROCESSORS_ONLN));
    if (keep)
        std::printf("\ncorpus kept in %s\n", dir.c_str());
    else
        fs::remove_all(dir);
    benchmark::Shutdown();
    return 0;
}
