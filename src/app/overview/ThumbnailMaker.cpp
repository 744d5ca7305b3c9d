#include "app/overview/ThumbnailMaker.h"

#include "platform/BackgroundThread.h"
#include "platform/PreviewMaker.h"

#include <QGuiApplication>
#include <QImage>

#include <algorithm>

namespace quorvel {

ThumbnailMaker::ThumbnailMaker(QSize size, QObject* parent)
    : QObject(parent)
    , m_size(size)
    , m_cache(cacheKiB)
{
    m_pool.setMaxThreadCount(jobsAtOnce);
}

ThumbnailMaker::~ThumbnailMaker()
{
    m_waiting.clear();
    waitForDone();
}

void ThumbnailMaker::waitForDone()
{
    m_pool.waitForDone();
}

void ThumbnailMaker::reset()
{
    ++m_generation;
    m_waiting.clear();
    m_cache.clear();
    // The old batch's jobs that have not started make nothing when they do;
    // those that run keep a thread each until they end. Either way the new
    // batch gets threads of its own rather than waiting behind them.
    m_stale += m_running;
    m_running = 0;
    m_pool.setMaxThreadCount(jobsAtOnce + m_stale);
}

std::optional<QPixmap> ThumbnailMaker::thumbnail(int row, const QString& path)
{
    if (const QPixmap* made = m_cache.object(path))
        return *made;
    const auto asked = std::find_if(m_waiting.begin(), m_waiting.end(), [&](const Ask& a) { return a.row == row; });
    if (asked != m_waiting.end())
        m_waiting.erase(asked);
    m_waiting.push_back({row, path});
    // Rows asked long ago have scrolled away: they ask again when painted.
    while (m_waiting.size() > maxWaiting)
        m_waiting.pop_front();
    pump();
    return std::nullopt;
}

void ThumbnailMaker::pump()
{
    while (m_running < jobsAtOnce && !m_waiting.empty()) {
        const Ask ask = m_waiting.back();
        m_waiting.pop_back();
        if (m_cache.contains(ask.path)) {
            Q_EMIT ready(ask.row);
            continue;
        }
        ++m_running;
        const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
        const QSize bounds = m_size * ratio;
        const quint64 generation = m_generation;
        m_pool.start([this, ask, bounds, ratio, generation] {
            platform::yieldToInterface();
            const QImage image = generation == m_generation ? platform::makePreview(ask.path, bounds) : QImage();
            QMetaObject::invokeMethod(this, [this, ask, image, ratio, generation] {
                if (generation != m_generation) {
                    --m_stale;
                    m_pool.setMaxThreadCount(jobsAtOnce + m_stale);
                    return;
                }
                --m_running;
                {
                    auto* pixmap = new QPixmap(QPixmap::fromImage(image));
                    pixmap->setDevicePixelRatio(ratio);
                    const qint64 bytes = qint64(image.sizeInBytes());
                    m_cache.insert(ask.path, pixmap, std::max<qint64>(1, bytes / 1024));
                    Q_EMIT ready(ask.row);
                }
                pump();
            }, Qt::QueuedConnection);
        });
    }
}

} // namespace quorvel
