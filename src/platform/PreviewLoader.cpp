#include "platform/PreviewMaker.h"

#include "platform/loader/LoaderClient.h"

#include <QtConcurrent/QtConcurrentRun>

namespace quorvel::platform {

PreviewLoader::PreviewLoader(QObject* parent)
    : QObject(parent)
{
}

PreviewLoader::~PreviewLoader()
{
    waitForPending();
}

void PreviewLoader::request(const QString& path, QSize bounds)
{
    const quint64 generation = ++m_generation;
    auto* watcher = new QFutureWatcher<QImage>(this);
    m_running.append(watcher);
    connect(watcher, &QFutureWatcher<QImage>::finished, this, [this, watcher, generation] {
        m_running.removeOne(watcher);
        watcher->deleteLater();
        if (generation == m_generation)
            Q_EMIT previewReady(watcher->result());
    });
    // The inspector's preview is waited for by the user: it takes the way
    // through that the overview's thumbnails cannot hold.
    watcher->setFuture(QtConcurrent::run([path, bounds] {
        const loader::InteractiveRequests interactive;
        return makePreview(path, bounds);
    }));
}

void PreviewLoader::cancel()
{
    ++m_generation;
}

void PreviewLoader::waitForPending()
{
    const auto running = m_running;
    for (auto* watcher : running)
        watcher->waitForFinished();
}

} // namespace quorvel::platform
