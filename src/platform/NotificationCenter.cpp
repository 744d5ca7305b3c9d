#include "platform/NotificationCenter.h"

#include "platform/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMetaObject>

namespace quorvel::platform {
namespace {
const QString busPath = QStringLiteral("/org/quorvel/Quorvel");
const QString busInterface = QStringLiteral(QUORVEL_APP_ID ".Notifications");
} // namespace

NotificationCenter::NotificationCenter(QObject* parent)
    : QObject(parent)
    , m_onBus(QDBusConnection::sessionBus().isConnected())
{
    if (!m_onBus)
        qCDebug(lcPlatform) << "no D-Bus session bus; notifications stay within this process";
}

void NotificationCenter::observe(const QString& name)
{
    if (m_observed.contains(name))
        return;
    m_observed.insert(name);
    if (m_onBus) {
        // QtDBus offers only the string-based connect for bus signals.
        QDBusConnection::sessionBus().connect(QString(), busPath, busInterface, name, this,
                                              SLOT(onBusSignal(QDBusMessage)));
    }
}

void NotificationCenter::post(const QString& name)
{
    if (m_onBus) {
        QDBusMessage signal = QDBusMessage::createSignal(busPath, busInterface, name);
        if (QDBusConnection::sessionBus().send(signal))
            return;
        qCWarning(lcPlatform) << "could not post" << name << "on the session bus; delivering locally";
    }
    if (m_observed.contains(name))
        QMetaObject::invokeMethod(this, [this, name] { Q_EMIT notified(name); }, Qt::QueuedConnection);
}

void NotificationCenter::onBusSignal(const QDBusMessage& message)
{
    if (m_observed.contains(message.member()))
        Q_EMIT notified(message.member());
}

} // namespace quorvel::platform
