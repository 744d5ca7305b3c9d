#pragma once

#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

namespace quorvel::platform {

// A thumbnail no larger than `bounds`, converted to sRGB (CMYK through its
// profile, or a standard one), made without decoding more than it must, by
// the confined loader helper. A null image when the file cannot be
// previewed. Thread-safe.
QImage makePreview(const QString& path, QSize bounds);

// Makes previews off the main thread. Only the newest request is ever
// delivered: a later check never shows an earlier image's preview.
class PreviewLoader : public QObject {
    Q_OBJECT
public:
    explicit PreviewLoader(QObject* parent = nullptr);
    ~PreviewLoader() override;

    void request(const QString& path, QSize bounds);
    void cancel();          // forget any pending request
    void waitForPending();  // for tests and shutdown

Q_SIGNALS:
    void previewReady(const QImage& image);

private:
    quint64 m_generation = 0;
    QList<QFutureWatcher<QImage>*> m_running;
};

} // namespace quorvel::platform
