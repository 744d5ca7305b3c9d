#include "report/ReportProgress.h"

#include "report/ReportText.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentMap>

namespace quorvel {

std::optional<QList<ImageMeasure>> measureShowingProgress(QWidget* parent, const QStringList& files,
                                                          const ImageHeaderReader& reader, int showAfterMs)
{
    QProgressDialog progress(QCoreApplication::translate("Report", "Measuring the images…"),
                             QCoreApplication::translate("Report", "Cancel"), 0,
                             static_cast<int>(files.size()), parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(showAfterMs);
    progress.setValue(0); // starts the clock that shows the dialog after showAfterMs

    QFutureWatcher<ImageMeasure> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progress, &QProgressDialog::setValue);
    QObject::connect(&progress, &QProgressDialog::canceled, &watcher, &QFutureWatcherBase::cancel);
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(QtConcurrent::mapped(files, [&reader](const QString& path) { return measureFile(path, reader); }));
    loop.exec();

    QFuture<ImageMeasure> future = watcher.future();
    // The loop also ends when the application quits; the workers must not
    // outlive the reader they use.
    if (!future.isFinished()) {
        future.cancel();
        future.waitForFinished();
    }
    if (future.isCanceled() || progress.wasCanceled())
        return std::nullopt;
    return future.results();
}

} // namespace quorvel
