#pragma once

#include <QObject>
#include <QSet>
#include <QString>

class QDBusMessage;

namespace quorvel::platform {

// System-wide notifications by name, without an object. A post reaches every
// running copy of the program, this one included, always through the event
// loop after post() has returned: over the D-Bus session bus when there is
// one, otherwise queued within this process.
class NotificationCenter : public QObject {
    Q_OBJECT
public:
    explicit NotificationCenter(QObject* parent = nullptr);

    // Starts listening for `name` from any sender; notified() follows.
    void observe(const QString& name);
    void post(const QString& name);

    bool usesSessionBus() const { return m_onBus; }

Q_SIGNALS:
    void notified(const QString& name);

private Q_SLOTS:
    void onBusSignal(const QDBusMessage& message);

private:
    bool m_onBus = false;
    QSet<QString> m_observed;
};

} // namespace quorvel::platform
