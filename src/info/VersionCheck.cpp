#include "info/VersionCheck.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QVariantMap>

namespace quorvel::info {
namespace {

QUrl onServer(const QString& path)
{
    return serverUrl(QStringLiteral(QUORVEL_HOST), path);
}

} // namespace

QUrl serverUrl(const QString& server, const QString& path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    // The authority, not the host alone: "127.0.0.1:8080" and "[::1]:8080" carry a port.
    url.setAuthority(server);
    url.setPath(path);
    return url;
}

QUrl versionListUrl() { return onServer(QStringLiteral("/versionlist.xml")); }
QUrl downloadPageUrl() { return onServer(QStringLiteral("/download.html")); }
QUrl homePageUrl() { return onServer(QStringLiteral("/")); }

VersionVerdict judgeVersionList(const std::optional<QVariant>& list, const QString& runningVersion)
{
    if (!list || list->typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap root = list->toMap();
    const auto found = root.constFind(QStringLiteral("quorvel"));
    if (found == root.constEnd())
        return {};
    const QVariant& remote = *found;
    const bool isText = remote.typeId() == QMetaType::QString;
    if (isText && !runningVersion.isEmpty() && remote.toString() == runningVersion)
        return {VersionOutcome::UpToDate, remote.toString()};
    return {VersionOutcome::NewVersion, remote.toString()};
}

QString insertRemoteVersion(const QString& message, const QString& remote)
{
    const qsizetype at = message.indexOf(QLatin1String("%1"));
    if (at < 0)
        return message;
    QString result = message;
    result.replace(at, 2, remote);
    return result;
}

std::optional<QByteArray> fetchSmallDocument(QNetworkAccessManager& network, const QUrl& url,
                                             std::chrono::milliseconds timeout, qsizetype limit,
                                             QEventLoop::ProcessEventsFlags waitFlags)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QNetworkReply* reply = network.get(request);
    // Small reads, so an oversized answer is noticed before it is held whole.
    reply->setReadBufferSize(64 * 1024);
    QByteArray body;
    bool refused = false;
    auto take = [&] {
        body += reply->read(limit + 1 - body.size());
        if (body.size() > limit && !refused) {
            refused = true;
            reply->abort();
        }
    };
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limit && !refused) {
            refused = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QIODevice::readyRead, &loop, take);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer); // a coarse timer may give up early
    bool timedOut = false;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    timer.start(timeout);
    if (!reply->isFinished())
        loop.exec(waitFlags);
    timer.stop();
    if (!refused && !timedOut && reply->error() == QNetworkReply::NoError)
        take();

    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool ok = !refused && !timedOut && reply->error() == QNetworkReply::NoError && status == 200;
    reply->disconnect(&loop);
    reply->deleteLater();
    if (!ok)
        return std::nullopt;
    return body;
}

} // namespace quorvel::info
