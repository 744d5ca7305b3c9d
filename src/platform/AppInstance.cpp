#include "platform/AppInstance.h"

#include "platform/Log.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>

namespace quorvel::platform {
namespace {

const QString applicationInterface = QStringLiteral("org.freedesktop.Application");

// org.freedesktop.Application on the application's object.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(AppInstance* instance)
        : QDBusAbstractAdaptor(instance)
        , m_instance(instance)
    {
    }

public Q_SLOTS:
    void Activate(const QVariantMap& platformData)
    {
        Q_UNUSED(platformData);
        Q_EMIT m_instance->activateRequested();
    }
    void Open(const QStringList& uris, const QVariantMap& platformData)
    {
        Q_UNUSED(platformData);
        QStringList files;
        for (const QString& uri : uris) {
            const QUrl url(uri);
            if (url.isLocalFile())
                files << url.toLocalFile();
            else
                qCInfo(lcPlatform).noquote() << "not a local file, left out:" << uri;
        }
        if (files.isEmpty())
            Q_EMIT m_instance->activateRequested();
        else
            Q_EMIT m_instance->openRequested(files);
    }
    void ActivateAction(const QString& actionName, const QVariantList& parameter, const QVariantMap& platformData)
    {
        Q_UNUSED(actionName);
        Q_UNUSED(parameter);
        Q_UNUSED(platformData);
        Q_EMIT m_instance->activateRequested(); // the entry declares no actions
    }

private:
    AppInstance* m_instance;
};

} // namespace

AppInstance::AppInstance(const QString& applicationId, QObject* parent)
    : QObject(parent)
    , m_id(applicationId)
{
}

AppInstance::~AppInstance()
{
    if (m_registered)
        QDBusConnection::sessionBus().unregisterService(m_id);
}

QString AppInstance::objectPath(const QString& applicationId)
{
    QString path = QLatin1Char('/') + applicationId;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

bool AppInstance::becomePrimary()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // The object first, so that a call that the name attracts finds it.
    new ApplicationAdaptor(this);
    if (!bus.registerObject(objectPath(m_id), this)) {
        qCWarning(lcPlatform).noquote() << "could not put the application object on the session bus";
        return false;
    }
    // The bus decides which of two copies started at once comes first.
    m_registered = bus.registerService(m_id);
    if (!m_registered)
        bus.unregisterObject(objectPath(m_id));
    return m_registered;
}

bool AppInstance::handOver(const QStringList& files) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(m_id))
        return false;
    QDBusMessage call;
    if (files.isEmpty()) {
        call = QDBusMessage::createMethodCall(m_id, objectPath(m_id), applicationInterface, QStringLiteral("Activate"));
        call << QVariantMap();
    } else {
        QStringList uris;
        for (const QString& file : files)
            uris << QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
        call = QDBusMessage::createMethodCall(m_id, objectPath(m_id), applicationInterface, QStringLiteral("Open"));
        call << uris << QVariantMap();
    }
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        qCWarning(lcPlatform).noquote() << "the running copy did not take the files:" << reply.errorMessage();
        return false;
    }
    return true;
}

} // namespace quorvel::platform

#include "AppInstance.moc"
