#include "app/overview/BatchMeasurer.h"

#include "app/overview/MeasureStore.h"
#include "platform/BackgroundThread.h"

#include <algorithm>

namespace quorvel {

BatchMeasurer::BatchMeasurer(QObject* parent)
    : QObject(parent)
    , m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
    m_pool.setMaxThreadCount(QThread::idealThreadCount());
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
}

void BatchMeasurer::waitForDone()
{
    m_pool.waitForDone();
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
