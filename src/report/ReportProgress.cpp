#include "report/ReportProgress.h"

#include "report/ReportText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentMap>

#include <atomic>

namespace quorvel {

std::optional<QList<ImageRecord>> measureShowingProgress(QWidget* parent, const QStringList& files,
                                                          const ImageHeaderReader& reader, int showAfterMs, bool withDetails, bool withInk)
{
    QProgressDialog progress(QCoreApplication::translate("Report", "Measuring the images…"),
                             QCoreApplication::translate("Report", "Cancel"), 0,
                             static_cast<int>(files.size()), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(showAfterMs);
    progress.setValue(0); // starts the clock that shows the dialog after showAfterMs

    // The pool hands out files in blocks that grow to a quarter of the batch,
    // and a cancelled future only stops between blocks; so the workers watch
    // a flag of their own, and count what they have done for the dialog.
    std::atomic<bool> stop{false};
    std::atomic<int> done{0};
    const auto measure = [&](const QString& path) {
        if (stop.load(std::memory_order_relaxed))
            return ImageRecord{};
        ImageRecord m = measureFile(path, reader, withDetails, withInk);
        done.fetch_add(1, std::memory_order_relaxed);
        return m;
    };

    // A pool of its own: the toolkit paints with help from the global pool and
    // would wait behind every queued file. Sized like the global one.
    QThreadPool pool;
    pool.setMaxThreadCount(QThreadPool::globalInstance()->maxThreadCount());

    QFutureWatcher<ImageRecord> watcher;
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &progress, [&] { progress.setValue(done.load()); });
    QObject::connect(&progress, &QProgressDialog::canceled, &watcher, [&] {
        stop = true;
        watcher.cancel();
    });
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::mapped(&pool, files, measure));
    tick.start();
    loop.exec();
    tick.stop();

    QFuture<ImageRecord> future = watcher.future();
    // The loop also ends when the application quits; the workers must not
    // outlive the reader they use.
    if (!future.isFinished()) {
        stop = true;
        future.cancel();
        future.waitForFinished();
    }
    if (stop || future.isCanceled())
        return std::nullopt;
    return future.results();
}

} // namespace quorvel
