#include "app/OpenedFiles.h"

#include <QDir>
#include <QFileOpenEvent>
#include <QRegularExpression>
#include <QUrl>

#include <utility>

namespace quorvel {

QStringList filesFromArguments(const QStringList& arguments, const QString& currentDirectory)
{
    const QDir base(currentDirectory);
    QStringList files;
    files.reserve(arguments.size());
    for (const QString& argument : arguments) {
        if (argument.isEmpty())
            continue;
        QString path = argument;
        // An address rather than a path: a local one names its file, a remote one no file here.
        static const QRegularExpression address(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
        if (address.match(argument).hasMatch()) {
            const QUrl url(argument);
            if (!url.isLocalFile())
                continue;
            path = url.toLocalFile();
        }
        // Absolute and clean ("." and ".." steps and doubled slashes gone), so
        // that the batch and its report name each file one way; odd names
        // stay as they are.
        files << QDir::cleanPath(QDir::isAbsolutePath(path) ? path : base.absoluteFilePath(path));
    }
    return files;
}

OpenedFilesCollector::OpenedFilesCollector(QObject* parent)
    : QObject(parent)
{
    // The platform sends one event per file, back to back; a zero-time
    // timeout fires after all of them have been delivered.
    m_flush.setSingleShot(true);
    m_flush.setInterval(0);
    connect(&m_flush, &QTimer::timeout, this, &OpenedFilesCollector::flush);
}

bool OpenedFilesCollector::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::FileOpen)
        return QObject::eventFilter(watched, event);
    const auto* open = static_cast<QFileOpenEvent*>(event);
    QString path = open->file();
    if (path.isEmpty() && open->url().isLocalFile())
        path = open->url().toLocalFile();
    if (!path.isEmpty()) {
        m_pending << path;
        m_flush.start();
    }
    return true;
}

void OpenedFilesCollector::flush()
{
    const QStringList files = std::exchange(m_pending, {});
    if (!files.isEmpty())
        Q_EMIT filesOpened(files);
}

} // namespace quorvel
