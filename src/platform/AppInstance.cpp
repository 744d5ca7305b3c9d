#include "platform/AppInstance.h"

#include "platform/Log.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QTimer>
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
        later([instance = m_instance] { Q_EMIT instance->activateRequested(); });
    }
    void Open(const QStringList& uris, const QVariantMap& platformData)
    {
        Q_UNUSED(platformData);
        QStringList files;
        for (const QString& uri : uris) {
            const QUrl url(uri);
            if (url.isLocalFile())
                files << QDir::cleanPath(url.toLocalFile());
            else
                qCInfo(lcPlatform).noquote() << "not a local file, left out:" << uri;
        }
        // The caller gets its answer as this returns; the files are checked after.
        later([instance = m_instance, files] {
            if (files.isEmpty())
                Q_EMIT instance->activateRequested();
            else
                Q_EMIT instance->openRequested(files);
        });
    }
    void ActivateAction(const QString& actionName, const QVariantList& parameter, const QVariantMap& platformData)
    {
        Q_UNUSED(actionName);
        Q_UNUSED(parameter);
        Q_UNUSED(platformData);
        later([instance = m_instance] { Q_EMIT instance->activateRequested(); }); // the entry declares no actions
    }

private:
    // Runs `work` on the event loop's next turn, once the reply has gone out.
    template<typename Work>
    void later(Work work)
    {
        QTimer::singleShot(0, m_instance, std::move(work));
    }

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
    if (!findChild<ApplicationAdaptor*>(QString(), Qt::FindDirectChildrenOnly))
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

AppInstance::HandOver AppInstance::handOver(const QStringList& files, int timeoutMs) const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(m_id))
        return HandOver::NoCopy;
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
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ErrorMessage)
        return HandOver::Taken;
    qCWarning(lcPlatform).noquote() << "the running copy did not take the files:" << reply.errorName()
                                    << reply.errorMessage();
    // A copy that still holds the id has the call in its queue, and may yet
    // show the files; one that went away took nothing with it.
    return bus.interface()->isServiceRegistered(m_id) ? HandOver::NotAnswered : HandOver::NoCopy;
}

} // namespace quorvel::platform

#include "AppInstance.moc"
