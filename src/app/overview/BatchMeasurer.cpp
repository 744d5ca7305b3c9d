#include "app/overview/BatchMeasurer.h"

#include "app/overview/MeasureStore.h"
#include "platform/BackgroundThread.h"

#include <QFile>

#include <algorithm>

namespace quorvel {

BatchMeasurer::BatchMeasurer(QObject* parent)
    : QObject(parent)
    , m_cancelled(std::make_shared<std::atomic<bool>>(false))
    , m_inkCancelled(std::make_shared<std::atomic<bool>>(false))
{
    m_pool.setMaxThreadCount(QThread::idealThreadCount());
    m_inkPool.setMaxThreadCount(1);
}

BatchMeasurer::~BatchMeasurer()
{
    cancel();
    waitForDone();
}

void BatchMeasurer::cancel()
{
    m_cancelled->store(true);
    m_pool.clear();
    cancelInk();
}

void BatchMeasurer::waitForDone()
{
    m_pool.waitForDone();
    m_inkPool.waitForDone();
}

void BatchMeasurer::cancelInk()
{
    m_inkCancelled->store(true);
    m_inkPool.clear();
    m_inkCancelled = std::make_shared<std::atomic<bool>>(false);
}

void BatchMeasurer::startInk(const QList<QPair<int, QString>>& files, std::shared_ptr<MeasureStore> measures)
{
    const std::shared_ptr<std::atomic<bool>> cancelled = m_inkCancelled;
    for (const auto& [row, path] : files) {
        m_inkPool.start([this, row, path, cancelled, measures] {
            if (cancelled->load())
                return;
            platform::yieldToInterface();
            std::optional<InkStatistics> read = measures->reader().readInk(QFile::encodeName(path).toStdString());
            std::shared_ptr<const InkStatistics> ink;
            if (read)
                ink = std::make_shared<const InkStatistics>(std::move(*read));
            QMetaObject::invokeMethod(this, [this, row, ink, cancelled] {
                if (!cancelled->load())
                    Q_EMIT inkMeasured(row, ink);
            }, Qt::QueuedConnection);
        });
    }
}

void BatchMeasurer::start(const QStringList& files, std::shared_ptr<MeasureStore> measures)
{
    cancel();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    m_cancelled = cancelled;
    const int count = static_cast<int>(files.size());
    // Slices small enough that the first rows fill in at once and every core
    // has work to the end, large enough that the main thread is not woken
    // for every file.
    const int slice = std::clamp(count / (m_pool.maxThreadCount() * 8), 1, 64);
    for (int first = 0; first < count; first += slice) {
        const QStringList paths = files.mid(first, slice);
        m_pool.start([this, paths, first, cancelled, measures] {
            platform::yieldToInterface();
            QList<ImageRecord> records;
            records.reserve(paths.size());
            for (const QString& path : paths) {
                if (cancelled->load())
                    return;
                records.append(measures->record(path));
            }
            QMetaObject::invokeMethod(this, [this, first, records, cancelled] {
                if (!cancelled->load())
                    Q_EMIT measured(first, records);
            }, Qt::QueuedConnection);
        });
    }
}

} // namespace quorvel
