#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

namespace quorvel {

// Paths given to the program at start-up (the desktop entry passes them with
// %F), made absolute against `currentDirectory` and clean; file:// addresses become
// paths, remote addresses are left out.
QStringList filesFromArguments(const QStringList& arguments, const QString& currentDirectory);

// Collects the files that the platform opens with the running application
// (QFileOpenEvent, one event per file) and hands them over as one list once
// the events of one request have arrived. Install it on the application.
class OpenedFilesCollector : public QObject {
    Q_OBJECT
public:
    explicit OpenedFilesCollector(QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

Q_SIGNALS:
    void filesOpened(const QStringList& files);

private:
    void flush();

    QStringList m_pending;
    QTimer m_flush;
};

} // namespace quorvel
