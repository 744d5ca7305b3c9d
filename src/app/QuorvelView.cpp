#include "app/QuorvelView.h"

#include "app/QuorvelInfo.h"
#include "platform/Log.h"

#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace quorvel {

QuorvelView::QuorvelView(QWidget* parent)
    : QWidget(parent)
{
    // File managers drag file lists as text/uri-list; only drags carrying
    // addresses are taken in at all (see dragEnterEvent).
    setAcceptDrops(true);
}

QuorvelView::~QuorvelView()
{
    QString description;
    QDebug(&description).nospace() << static_cast<const QObject*>(this);
    qCInfo(lcInspector).noquote() << QStringLiteral("distruggo %1").arg(description);
}

QStringList QuorvelView::droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            files << path;
    }
    return files;
}

void QuorvelView::dragEnterEvent(QDragEnterEvent* event)
{
    // A drag without any addresses is not for this view, as a drag of an
    // undeclared type never reaches it; what the addresses are is decided at the drop.
    if (!event->mimeData() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    qCInfo(lcInspector).noquote() << QStringLiteral("entro");
    m_highligh = true;
    update();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void QuorvelView::dragLeaveEvent(QDragLeaveEvent* event)
{
    qCInfo(lcInspector).noquote() << QStringLiteral("esco");
    m_highligh = false;
    update();
    event->accept();
}

void QuorvelView::dropEvent(QDropEvent* event)
{
    // The last question before the drop: does the drag carry local files?
    qCInfo(lcInspector).noquote() << QStringLiteral("preparo");
    const QStringList files = droppedFiles(event->mimeData());
    if (files.isEmpty()) {
        qCInfo(lcInspector).noquote() << QStringLiteral("Doh!");
        // No drag hovers any more, even though this one was refused.
        m_highligh = false;
        event->ignore();
        return;
    }
    qCInfo(lcInspector).noquote() << QStringLiteral("OK");

    qCInfo(lcInspector).noquote() << QStringLiteral("eseguo");
    m_highligh = false;
    QuorvelInfo::sharedInstance()->createFromDragAndDrop(files);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace quorvel
