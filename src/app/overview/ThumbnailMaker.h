#pragma once

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <optional>

namespace quorvel {

// Thumbnails of the overview's rows, made off the main thread only when a
// row asks for one (the view asks for the rows it paints), newest ask first,
// and kept in a cache of bounded size.
class ThumbnailMaker : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailMaker(QSize size, QObject* parent = nullptr);
    ~ThumbnailMaker() override;

    // The thumbnail of the file at `row`, or nothing yet: it is then made and
    // ready() follows. A file that cannot be previewed gives an empty pixmap.
    std::optional<QPixmap> thumbnail(int row, const QString& path);
    // A new batch: forgets what was asked for and what was made, and drops
    // the old batch's work that has not started. Work already running
    // finishes on its own, beside the new batch's, and is thrown away.
    void reset();
    void waitForDone();

    // Asks not started yet.
    int waiting() const { return static_cast<int>(m_waiting.size()); }

    // Bounds, exposed for tests and benchmarks.
    static constexpr int cacheKiB = 8 * 1024;
    static constexpr int maxWaiting = 128;
    // Thumbnails made at once: the rows on screen are few, one keeps up and
    // leaves the processors to the measures.
    static constexpr int jobsAtOnce = 1;

Q_SIGNALS:
    void ready(int row);

private:
    struct Ask {
        int row;
        QString path;
    };
    void pump();

    QSize m_size;
    QCache<QString, QPixmap> m_cache;
    std::deque<Ask> m_waiting;
    QThreadPool m_pool;
    int m_running = 0; // of this batch
    int m_stale = 0;   // of earlier batches, still running
    std::atomic<quint64> m_generation = 0; // read by the jobs too
};

} // namespace quorvel
