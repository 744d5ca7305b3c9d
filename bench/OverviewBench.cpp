// The overview of a large batch: how long 10,000 files take to fill in, the
// longest the window's event loop is kept waiting meanwhile, what judging
// every row again costs after a change of setting, and the memory of a row.
// Prints its figures; runs offscreen.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/overview/BatchModel.h"
#include "platform/header/ImageFileReader.h"
#include "settings/PreferencesWindow.h"

#include "ui_MainWindow.h"
#include "ui_PreferencesWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QTimer>

#include <vips/vips8>

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

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
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
        while (model->counts().pending > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const double filled = fill.nsecsElapsed() / 1e6;
        ticks.stop();
        std::printf("%s run: new batch %.1f ms on the main thread; every row filled in after %.0f ms;\n"
                    "  longest wait of the event loop meanwhile %.1f ms (ticks every %d ms)\n",
                    run == 0 ? "first" : "second", entry, filled, longestGap / 1e6, tickMs);
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
    for (int i = 0; i < changes; ++i) {
        QElapsedTimer timer;
        timer.start();
        model->setRules(rules[i % 2]);
        const double ms = timer.nsecsElapsed() / 1e6;
        worst = std::max(worst, ms);
        total += ms;
        QCoreApplication::processEvents();
    }
    std::printf("\nJudging %d rows again (sorted by verdict, failing shown, %d rows now shown): %.1f ms on average, "
                "%.1f ms at worst\n",
                batchSize, rows ? rows->rowCount() : -1, total / changes, worst);

    // Memory: a model of its own, read in full, against the process before it.
    quorvel::platform::ImageFileReader reader;
    const long before = residentKiB();
    {
        quorvel::BatchModel alone;
        QSortFilterProxyModel proxy;
        proxy.setSourceModel(&alone);
        proxy.setSortRole(quorvel::BatchModel::SortRole);
        proxy.sort(quorvel::BatchModel::VerdictColumn);
        alone.setRules(rules[1]);
        alone.setBatch(paths, reader);
        while (alone.counts().pending > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const long after = residentKiB();
        std::printf("\nMemory of a filled model with its sort proxy: %.0f bytes per row (resident set, no thumbnails)\n",
                    double(after - before) * 1024.0 / batchSize);
    }

    quorvel::QuorvelInfo::releaseSharedInstance();
    return 0;
}
