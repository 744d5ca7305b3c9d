// Setting the recorded resolution, against copying the file: it should run
// at disk speed, verification included. Makes its own files and prints:
//   - a 24-megapixel JPEG (and its size): median time of a verified copy
//     with the new resolution, beside the median of copying the file
//     (std::filesystem::copy_file, as cp does it) and that copy flushed;
//   - 1,000 small JPEG files replaced in place on two threads.
//
//   bench/set_resolution_bench [folder]   (default: a temporary folder)
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "platform/write/ResolutionWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <vips/vips8>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace quorvel;
namespace write = quorvel::platform::write;
namespace fs = std::filesystem;

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

bool makeJpeg(const std::string& path, int width, int height, int quality)
{
    try {
        vips::VImage noise = vips::VImage::gaussnoise(width, height, vips::VImage::option()->set("sigma", 40.0)) + 128;
        vips::VImage rgb = vips::VImage::bandjoin({noise, noise.rot180(), noise.fliphor()}).cast(VIPS_FORMAT_UCHAR);
        rgb = rgb.copy(vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB)->set("xres", 72 / 25.4)->set("yres", 72 / 25.4));
        rgb.jpegsave(path.c_str(), vips::VImage::option()->set("Q", quality));
        return true;
    } catch (const vips::VError& e) {
        std::fprintf(stderr, "cannot make %s: %s\n", path.c_str(), e.what());
        return false;
    }
}

void flush(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("quorvel.*.info=false"));
    test::ensureVipsStarted();
    QTemporaryDir scratch;
    const std::string folder = argc > 1 ? argv[1] : scratch.path().toStdString();
    const platform::ImageFileReader reader;

    const std::string big = folder + "/big.jpg";
    if (!makeJpeg(big, 6000, 4000, 92))
        return 1;
    const double megabytes = double(fs::file_size(big)) / 1e6;
    std::vector<double> copy, copyFlushed, set;
    for (int run = 0; run < 9; ++run) {
        const std::string copied = folder + "/copied.jpg";
        QElapsedTimer timer;
        timer.start();
        fs::copy_file(big, copied, fs::copy_options::overwrite_existing);
        copy.push_back(timer.nsecsElapsed() / 1e6);
        flush(copied);
        copyFlushed.push_back(timer.nsecsElapsed() / 1e6);
        fs::remove(copied);

        write::SetDpiJob job;
        job.path = big;
        job.dpi = 300;
        timer.restart();
        const write::SetDpiOutcome outcome = write::setRecordedResolution(job, reader);
        set.push_back(timer.nsecsElapsed() / 1e6);
        if (!outcome.ok()) {
            std::fprintf(stderr, "not written: %s\n", write::refusalText(outcome).toLocal8Bit().constData());
            return 1;
        }
        fs::remove(outcome.writtenPath);
    }
    std::printf("24-megapixel JPEG, %.1f MB:\n", megabytes);
    std::printf("  set 300 dpi (copy, verified):          %7.1f ms  (%.1f ms per 10 MB)\n", medianOf(set),
                medianOf(set) * 10.0 / megabytes);
    std::printf("  copy_file:                             %7.1f ms\n", medianOf(copy));
    std::printf("  copy_file and fsync:                   %7.1f ms\n", medianOf(copyFlushed));
    std::printf("  ratio to copy_file:                    %7.2f\n", medianOf(set) / medianOf(copy));

    // 1,000 small files replaced in place, as quorvel-inspect --in-place does it.
    const std::string small = folder + "/small";
    fs::create_directory(small);
    const std::string model = small + "/model.jpg";
    if (!makeJpeg(model, 640, 480, 85))
        return 1;
    std::vector<std::string> files;
    for (int i = 0; i < 1000; ++i) {
        files.push_back(small + "/photo" + std::to_string(i) + ".jpg");
        fs::copy_file(model, files.back(), fs::copy_options::overwrite_existing);
    }
    std::atomic<size_t> next {0};
    std::atomic<int> failed {0};
    auto work = [&] {
        for (size_t i = next++; i < files.size(); i = next++) {
            write::SetDpiJob job;
            job.path = files[i];
            job.mode = write::WriteMode::InPlace;
            job.measured = write::stampOf(files[i]);
            failed += !write::setRecordedResolution(job, reader).ok();
        }
    };
    QElapsedTimer timer;
    timer.start();
    std::thread helper(work);
    work();
    helper.join();
    std::printf("1,000 files of %.0f KB in place on 2 threads: %.2f s (%d refused)\n",
                double(fs::file_size(model)) / 1e3, timer.nsecsElapsed() / 1e9, failed.load());
    return failed.load() == 0 ? 0 : 1;
}
