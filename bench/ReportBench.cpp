// The batch report of 1,000 mixed JPEG, TIFF and PNG files with a warm cache:
// every image measured, the text built and the file written, on 1 and on 2
// worker threads. The corpus is made with libvips in a temporary folder.
//
//   bench/report_bench [--benchmark_repetitions=5]
#include "support/VipsStart.h"
#include "platform/header/ImageFileReader.h"
#include "report/ReportText.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QThreadPool>

#include <benchmark/benchmark.h>
#include <vips/vips8>

#include <cstdio>
#include <memory>

namespace {

using namespace quorvel;

QTemporaryDir* corpusDir = nullptr;
QStringList corpus;

bool makeCorpus(int count)
{
    test::ensureVipsStarted();
    const char* suffixes[] = {"jpg", "tif", "png"};
    const double resolutions[] = {72.0, 150.0, 300.0};
    for (int i = 0; i < count; ++i) {
        const int width = 300 + (i * 37) % 900;
        const int height = 200 + (i * 53) % 700;
        const QString path = corpusDir->filePath(QStringLiteral("image %1.%2").arg(i, 4, 10, QLatin1Char('0'))
                                                     .arg(QLatin1String(suffixes[i % 3])));
        // PNG takes no CMYK; the others get a share of it.
        const int kind = (i / 3) % 3;
        const bool cmyk = kind == 1 && i % 3 != 2;
        const bool grey = kind == 2;
        const int bands = grey ? 1 : (cmyk ? 4 : 3);
        const VipsInterpretation interpretation =
            grey ? VIPS_INTERPRETATION_B_W : (cmyk ? VIPS_INTERPRETATION_CMYK : VIPS_INTERPRETATION_sRGB);
        const double dpi = resolutions[(i / 9) % 3];
        try {
            vips::VImage image = vips::VImage::black(width, height, vips::VImage::option()->set("bands", bands));
            image = (image + (i % 200)).cast(VIPS_FORMAT_UCHAR);
            image = image.copy(vips::VImage::option()
                                   ->set("interpretation", interpretation)
                                   ->set("xres", dpi / 25.4)
                                   ->set("yres", dpi / 25.4));
            image.write_to_file(path.toUtf8().constData());
        } catch (const vips::VError& error) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), error.what());
            return false;
        }
        corpus << path;
    }
    return true;
}

ReportInputs allBoxes()
{
    ReportInputs inputs;
    inputs.files = corpus;
    inputs.options = ReportOptions{1, 1, 1, 1, 1, 1, 1};
    inputs.controls = ReportControls{RuleControls{0, true, 300}, 1, QStringLiteral("Pre-Press")};
    inputs.date = QDateTime::currentDateTime();
    inputs.host = makerHost();
    return inputs;
}

void discardTraces(QtMsgType, const QMessageLogContext&, const QString&) {}

void BM_Report(benchmark::State& state)
{
    // The worker count; measureAll never puts the calling thread to work.
    QThreadPool::globalInstance()->setMaxThreadCount(static_cast<int>(state.range(0)));
    const platform::ImageFileReader reader;
    const ReportInputs inputs = allBoxes();
    const QString target = corpusDir->filePath(QStringLiteral("Report.txt"));

    for (auto _ : state) {
        const QList<ImageRecord> measures = measureAll(inputs.files, reader);
        const ReportResult result = buildReport(inputs, measures);
        if (!writeReport(target, result.text))
            state.SkipWithError("the report could not be written");
        benchmark::DoNotOptimize(result.correct);
    }
    state.counters["files/s"] =
        benchmark::Counter(static_cast<double>(corpus.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_Report)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The part that stays on one thread: the text and the write.
void BM_BuildAndWrite(benchmark::State& state)
{
    const platform::ImageFileReader reader;
    const ReportInputs inputs = allBoxes();
    const QList<ImageRecord> measures = measureAll(inputs.files, reader);
    const QString target = corpusDir->filePath(QStringLiteral("Report.txt"));
    for (auto _ : state) {
        const ReportResult result = buildReport(inputs, measures);
        if (!writeReport(target, result.text))
            state.SkipWithError("the report could not be written");
    }
}
BENCHMARK(BM_BuildAndWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    auto dir = std::make_unique<QTemporaryDir>();
    corpusDir = dir.get();
    if (!dir->isValid() || !makeCorpus(1000))
        return 1;
    // The traces are formatted as in the program, but not printed: the
    // terminal's speed is not the report's.
    qInstallMessageHandler(discardTraces);
    // Warm the cache: one untimed pass over every file.
    {
        const platform::ImageFileReader reader;
        benchmark::DoNotOptimize(measureAll(corpus, reader).size());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
