#pragma once

#include <QByteArray>
#include <QEventLoop>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <chrono>
#include <optional>

class QNetworkAccessManager;

namespace quorvel::info {

// The maker's web server: the version list, the download page, the home page.
QUrl versionListUrl();
QUrl downloadPageUrl();
QUrl homePageUrl();
// A page on a server given as host, host:port or [IPv6]:port.
QUrl serverUrl(const QString& server, const QString& path);

enum class VersionOutcome { NotConnected, UpToDate, NewVersion };

struct VersionVerdict {
    VersionOutcome outcome = VersionOutcome::NotConnected;
    QString remoteVersion; // as the new-version message shows it
};

// Compares the list's value under "quorvel" with the running version. Only a
// text with exactly the same characters is up to date; there is no ordering,
// so an older or differently written version counts as new, and so does a
// value of another kind. No list, a root that is not a dictionary or no such
// key: not connected. An empty running version (none known) is never equal.
VersionVerdict judgeVersionList(const std::optional<QVariant>& list, const QString& runningVersion);

// Puts `remote` in place of the first "%1" of the looked-up message. The
// remote text is inserted as it stands and never read for placeholders.
QString insertRemoteVersion(const QString& message, const QString& remote);

// Fetches a small document and waits for it in a local event loop, so the
// windows keep repainting. Nothing on any network error, a status other than
// 200, an answer larger than `limit` bytes, or no complete answer within
// `timeout`.
std::optional<QByteArray> fetchSmallDocument(QNetworkAccessManager& network, const QUrl& url,
                                             std::chrono::milliseconds timeout, qsizetype limit,
                                             QEventLoop::ProcessEventsFlags waitFlags = QEventLoop::AllEvents);

} // namespace quorvel::info
