// The overview of a large batch: how long 10,000 files take to fill in, the
// longest the window's event loop is kept waiting meanwhile, what judging
// every row again costs after a change of setting, and the memory of a row.
// Prints its figures; runs offscreen.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/overview/BatchModel.h"
#include "app/overview/MeasureStore.h"
#include "platform/header/ImageFileReader.h"
#include "settings/PreferencesWindow.h"

#include "ui_MainWindow.h"
#include "ui_PreferencesWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <vips/vips8>

#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int batchSize = 10000;
constexpr int tickMs = 5;

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return 0;
}

void discard(QtMsgType, const QMessageLogContext&, const QString&) {}

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Times every event that the main thread handles: on a machine shared with
// other work, the wall-clock gaps between timer ticks include the time the
// scheduler gave to others; the processor time of the longest single event
// is the wait that the program itself causes.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_depth++ > 0 || !recording) {
            const bool handled = QApplication::notify(receiver, event);
            --m_depth;
            return handled;
        }
        const double cpu = threadCpuMs();
        QElapsedTimer wall;
        wall.start();
        const bool handled = QApplication::notify(receiver, event);
        --m_depth;
        longestEventCpuMs = std::max(longestEventCpuMs, threadCpuMs() - cpu);
        if (wall.nsecsElapsed() / 1e6 > longestEventWallMs) {
            longestEventWallMs = wall.nsecsElapsed() / 1e6;
            longestEventType = event->type();
        }
        return handled;
    }

    bool recording = false;
    double longestEventCpuMs = 0;
    double longestEventWallMs = 0;
    int longestEventType = 0;

private:
    int m_depth = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QUORVEL_LOADER"))
        qputenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY);
    TimedApplication app(argc, argv);
    qInstallMessageHandler(discard);

    // A mixed batch: hard links to a JPEG, a PNG and a CMYK TIFF.
    QTemporaryDir dir;
    QStringList originals;
    auto write = [&](const char* name, const vips::VImage& image) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        image.write_to_file(path.toUtf8().constData());
        originals << path;
    };
    const vips::VImage rgb = vips::VImage::black(1200, 800, vips::VImage::option()->set("bands", 3));
    write("original.jpg", rgb);
    write("original.png", rgb);
    write("original.tif", rgb.colourspace(VIPS_INTERPRETATION_CMYK));
    QStringList paths;
    for (int i = 0; i < batchSize; ++i) {
        const QString& original = originals.at(i % originals.size());
        const QString path = dir.filePath(QStringLiteral("image %1.%2").arg(i, 5, 10, QLatin1Char('0')).arg(original.section('.', -1)));
        if (::link(QFile::encodeName(original).constData(), QFile::encodeName(path).constData()) != 0)
            return 1;
        paths << path;
    }

    quorvel::PreferencesWindow preferences;
    quorvel::MainWindow window;
    quorvel::QuorvelInfo* info = quorvel::QuorvelInfo::sharedInstance();
    info->connectOutlets({&window, &preferences, nullptr, nullptr, nullptr});
    info->awakeFromNib();
    preferences.selectMatrixRow(0);
    preferences.setSliderValue(300);
    window.resize(900, 700);
    window.show();
    QCoreApplication::processEvents();
    quorvel::BatchModel* model = info->overview();

    std::printf("Overview of %d files (hard links to a JPEG, a PNG and a CMYK TIFF), %d cores\n\n", batchSize,
                QThread::idealThreadCount());

    // What this machine's scheduler alone keeps the event loop waiting, with
    // nothing to do: the floor under the figures below.
    {
        qint64 longestGap = 0;
        QElapsedTimer sinceTick;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(tickMs);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
            sinceTick.start();
        });
        QElapsedTimer idle;
        idle.start();
        sinceTick.start();
        ticks.start();
        while (idle.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("idle event loop for 1 s: longest wait %.1f ms (ticks every %d ms)\n\n", longestGap / 1e6, tickMs);
    }

    for (int run = 0; run < 2; ++run) {
        qint64 longestGap = 0;
        QElapsedTimer sinceTick;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(tickMs);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.nsecsElapsed());
            sinceTick.start();
        });

        QElapsedTimer fill;
        fill.start();
        info->applicationOpenFiles(paths); // the overview stays in front
        const double entry = fill.nsecsElapsed() / 1e6;
        sinceTick.start();
        ticks.start();
        app.longestEventCpuMs = app.longestEventWallMs = 0;
        app.recording = true;
        while (model->counts().pending > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        app.recording = false;
        const double filled = fill.nsecsElapsed() / 1e6;
        ticks.stop();
        std::printf("%s run: new batch %.1f ms on the main thread; every row filled in after %.0f ms;\n"
                    "  meanwhile the longest event took %.1f ms of the main thread's processor time\n"
                    "  (the longest one %.1f ms from start to end, event type %d),\n"
                    "  and the longest wait between ticks (every %d ms) was %.1f ms\n",
                    run == 0 ? "first" : "second", entry, filled, app.longestEventCpuMs, app.longestEventWallMs,
                    app.longestEventType, tickMs, longestGap / 1e6);
    }

    // The overview's share of a new batch on the main thread.
    {
        quorvel::platform::ImageFileReader reader;
        QElapsedTimer timer;
        timer.start();
        model->setBatch(paths, std::make_shared<quorvel::MeasureStore>(reader));
        const double reset = timer.nsecsElapsed() / 1e6;
        model->stop();
        std::printf("of a new batch, the overview's own share on the main thread: %.1f ms\n", reset);
        info->applicationOpenFiles(paths);
        while (model->counts().pending > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // Judging again, with the rows sorted by verdict and only the failing shown.
    auto* rows = qobject_cast<QSortFilterProxyModel*>(window.form()->overviewTable->model());
    window.form()->overviewTable->sortByColumn(quorvel::BatchModel::VerdictColumn, Qt::AscendingOrder);
    window.form()->overviewFilter->setCurrentIndex(1);
    QCoreApplication::processEvents();
    const quorvel::RuleControls rules[] = {{1, true, 72}, {0, true, 300}};
    double worst = 0;
    double total = 0;
    constexpr int changes = 20;
    double worstCpu = 0;
    for (int i = 0; i < changes; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double cpu = threadCpuMs();
        model->setRules(rules[i % 2]);
        QCoreApplication::processEvents(); // the view's share: layout and painting
        const double ms = timer.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        worstCpu = std::max(worstCpu, threadCpuMs() - cpu);
        total += ms;
    }
    std::printf("\nJudging %d rows again, with the view's update (sorted by verdict, failing shown, %d rows shown "
                "at the end):\n  %.1f ms on average, %.1f ms at worst; %.1f ms of processor time at worst\n",
                batchSize, rows ? rows->rowCount() : -1, total / changes, worst, worstCpu);

    // Memory: a model of its own, read in full, against the process before it.
    quorvel::platform::ImageFileReader reader;
    const long before = residentKiB();
    // Large blocks (the rows' vector) are mapped apart from the heap's arena.
    const auto heapInUse = [] {
        const struct mallinfo2 info = mallinfo2();
        return double(info.uordblks) + double(info.hblkhd);
    };
    const double heapBefore = heapInUse();
    {
        quorvel::BatchModel alone;
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&alone);
        proxy.setSortRole(quorvel::BatchModel::SortRole);
        proxy.sort(quorvel::BatchModel::VerdictColumn);
        alone.setRules(rules[1]);
        alone.setBatch(paths, std::make_shared<quorvel::MeasureStore>(reader));
        while (alone.counts().pending > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const long after = residentKiB();
        // The rows and the proxy's mapping live on the main thread's heap.
        const double heap = heapInUse() - heapBefore;
        std::printf("\nMemory of a filled model with its sort proxy, thumbnails not counted: %.0f bytes per row on the\n"
                    "  main thread's heap, %.0f bytes per row of resident set\n",
                    heap / batchSize, double(after - before) * 1024.0 / batchSize);
    }

    quorvel::QuorvelInfo::releaseSharedInstance();
    return 0;
}
