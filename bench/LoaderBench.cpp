// The loader helper: a header read through a forked child of the warm zygote
// (median per file), the preview of a 24-megapixel layered PSD, the report
// over 1,000 mixed files of which a tenth the helper reads, on 2 worker
// threads, and a single helper-served file from a cold start
// (`quorvel-inspect a.svg`, and `vipsheader a.svg` when it is installed).
//
//   bench/loader_bench [--quick] [header] [psd] [report] [cold]
//
// With no part named, every part runs.
#include "platform/PreviewMaker.h"
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "report/ReportText.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>

#include <vips/vips8>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using namespace quorvel;
using Clock = std::chrono::steady_clock;

double milliseconds(const std::function<void()>& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

bool write(const vips::VImage& image, const QString& path, vips::VOption* options = nullptr)
{
    try {
        image.write_to_file(path.toUtf8().constData(), options);
        return true;
    } catch (const vips::VError& error) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), error.what());
        return false;
    }
}

vips::VImage picture(int width, int height, int seed)
{
    vips::VImage image = vips::VImage::black(width, height, vips::VImage::option()->set("bands", 3));
    return (image + (seed % 200)).cast(VIPS_FORMAT_UCHAR).copy(
        vips::VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

void headerMedian(const QTemporaryDir& dir, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        // A drawing: JPEG 2000 headers are read in this process now.
        const QString path = dir.filePath(QStringLiteral("h%1.svg").arg(i));
        QFile svg(path);
        const QByteArray text = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">"
                                               "<rect width=\"10\" height=\"10\"/></svg>")
                                    .arg(300 + i % 50)
                                    .arg(200 + i % 30)
                                    .toUtf8();
        if (!svg.open(QIODevice::WriteOnly) || svg.write(text) != text.size())
            return;
        files << path;
    }
    const platform::ImageFileReader reader;
    reader.readHeader(QFile::encodeName(files.first()).toStdString()); // starts the helper
    std::vector<double> times;
    int readable = 0;
    for (const QString& file : files) {
        const std::string name = QFile::encodeName(file).toStdString();
        times.push_back(milliseconds([&] { readable += reader.readHeader(name).readable ? 1 : 0; }));
    }
    std::printf("header through a forked child of the warm zygote (SVG): median %.2f ms per file over %d files, %d readable "
                "(target <= 5 ms)\n",
                median(times), count, readable);
}

void psdPreview(const QTemporaryDir& dir, int runs)
{
    // 6000 x 4000: the merged image and two layers, as an editor saves it.
    const QString path = dir.filePath(QStringLiteral("layered.psd"));
    vips::VImage pages = picture(6000, 4000, 30)
                             .join(picture(6000, 4000, 90), VIPS_DIRECTION_VERTICAL)
                             .join(picture(6000, 4000, 150), VIPS_DIRECTION_VERTICAL);
    pages.set("page-height", 4000);
    const auto start = Clock::now();
    try {
        pages.magicksave(path.toUtf8().constData(), vips::VImage::option()->set("format", "psd"));
    } catch (const vips::VError& error) {
        std::printf("layered PSD: libvips cannot write one here (%s)\n", error.what());
        return;
    }
    std::printf("layered PSD written in %.0f ms (%lld bytes)\n",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                static_cast<long long>(QFile(path).size()));
    const platform::ImageFileReader reader;
    const ImageHeader header = reader.readHeader(QFile::encodeName(path).toStdString());
    std::printf("layered PSD header: %s %d x %d\n", header.readable ? "readable" : "unreadable", header.pixelsWide,
                header.pixelsHigh);
    std::vector<double> times;
    QImage preview;
    bool made = true;
    for (int i = 0; i < runs; ++i)
        times.push_back(milliseconds([&] {
            preview = platform::makePreview(path, QSize(480, 480));
            made = made && !preview.isNull();
        }));
    std::printf("preview of a 24-megapixel layered PSD (480 x 480): median %.0f ms over %d runs%s (target <= 600 ms)\n",
                median(times), runs, made ? "" : ", NO PREVIEW MADE");
    if (made) {
        // The merged image is the first page: every channel at 30.
        const QRgb centre = preview.pixel(preview.width() / 2, preview.height() / 2);
        std::printf("  preview %d x %d, centre (%d, %d, %d)\n", preview.width(), preview.height(), qRed(centre),
                    qGreen(centre), qBlue(centre));
    }
}

void mixedReport(const QTemporaryDir& dir, int count, int runs)
{
    QStringList files;
    const char* native[] = {"jpg", "tif", "png"};
    for (int i = 0; i < count; ++i) {
        const bool helper = i % 10 == 0;
        const QString path = dir.filePath(QStringLiteral("r%1.%2").arg(i).arg(QLatin1String(helper ? "svg" : native[i % 3])));
        const int width = 300 + (i * 37) % 900;
        const int height = 200 + (i * 53) % 700;
        if (helper) {
            // A drawing, which only the helper reads (JPEG 2000 headers are
            // read in this process now).
            QFile svg(path);
            if (!svg.open(QIODevice::WriteOnly))
                return;
            svg.write(QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\">"
                                     "<rect width=\"10\" height=\"10\"/></svg>")
                          .arg(width)
                          .arg(height)
                          .toUtf8());
        } else if (!write(picture(width, height, i), path)) {
            return;
        }
        files << path;
    }
    QThreadPool::globalInstance()->setMaxThreadCount(2);
    const platform::ImageFileReader reader;
    ReportInputs inputs;
    inputs.files = files;
    inputs.options = ReportOptions{1, 1, 1, 1, 1, 1, 1};
    inputs.controls = ReportControls{RuleControls{0, true, 300}, 1, QStringLiteral("Pre-Press")};
    inputs.date = QDateTime::currentDateTime();
    inputs.host = QStringLiteral("example.org");
    const QString target = dir.filePath(QStringLiteral("Report.txt"));
    (void)measureAll(files.mid(0, 20), reader); // both helpers started, as after the first check
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(milliseconds([&] { writeReport(target, buildReport(inputs, measureAll(files, reader)).text); }));
    std::printf("report over %d mixed files, a tenth through the helper, 2 workers: median %.0f ms over %d runs "
                "(target <= 1000 ms)\n",
                count, median(times), runs);
}

// Wall time of one run of a program, from its start to its end.
double runMilliseconds(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = Clock::now();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() > 1)
        return -1.0;
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void coldSingleFile(const QTemporaryDir& dir, int runs)
{
    const QString svg = dir.filePath(QStringLiteral("a.svg"));
    QFile out(svg);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"80\">"
              "<rect width=\"120\" height=\"80\" fill=\"red\"/></svg>");
    out.close();
    const QString vipsheader = QStandardPaths::findExecutable(QStringLiteral("vipsheader"));
    std::vector<double> inspect, reference;
    for (int i = 0; i < runs; ++i) {
        inspect.push_back(runMilliseconds(QStringLiteral(QUORVEL_INSPECT_BINARY), {svg}));
        if (!vipsheader.isEmpty())
            reference.push_back(runMilliseconds(vipsheader, {svg}));
    }
    std::printf("cold start, one helper-served file (quorvel-inspect a.svg): median %.0f ms over %d runs", median(inspect),
                runs);
    if (!reference.empty())
        std::printf("; vipsheader a.svg: median %.0f ms (target: no more)\n", median(reference));
    else
        std::printf(" (vipsheader not installed: no comparison)\n");
}

void discardTraces(QtMsgType, const QMessageLogContext&, const QString&) {}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QUORVEL_LOADER"))
        ::setenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY, 1);
    QCoreApplication app(argc, argv);
    qInstallMessageHandler(discardTraces);
    QStringList parts = app.arguments().mid(1);
    const bool quick = parts.removeAll(QStringLiteral("--quick")) > 0;
    const auto wanted = [&](const char* part) { return parts.isEmpty() || parts.contains(QLatin1String(part)); };
    test::ensureVipsStarted();
    vips_block_untrusted_set(false); // the corpus is written with every saver
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    if (wanted("header"))
        headerMedian(dir, quick ? 50 : 200);
    if (wanted("psd"))
        psdPreview(dir, quick ? 3 : 5);
    if (wanted("report"))
        mixedReport(dir, 1000, quick ? 3 : 5);
    if (wanted("cold"))
        coldSingleFile(dir, quick ? 5 : 11);
    return 0;
}
