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
    // The rows on screen are few: one thread keeps up, and leaves the
    // processors to the measures.
    m_pool.setMaxThreadCount(1);
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
    while (m_running < m_pool.maxThreadCount() && !m_waiting.empty()) {
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
            const QImage image = platform::makePreview(ask.path, bounds);
            QMetaObject::invokeMethod(this, [this, ask, image, ratio, generation] {
                --m_running;
                if (generation == m_generation) {
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
