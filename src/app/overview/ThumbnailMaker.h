#pragma once

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QThreadPool>

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
    // A new batch: forgets what was asked for and what was made.
    void reset();
    void waitForDone();

    // Bounds, exposed for tests and benchmarks.
    static constexpr int cacheKiB = 8 * 1024;
    static constexpr int maxWaiting = 128;

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
    int m_running = 0;
    quint64 m_generation = 0;
};

} // namespace quorvel
