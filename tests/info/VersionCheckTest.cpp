// The version check against a web server of the test's own on the loopback
// interface, with the alerts answered by a test double.
#include "info/QuorvelCheck.h"
#include "info/VersionCheck.h"

#include "support/FakePanels.h"
#include "support/FakeWorkspace.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

const QString running = QStringLiteral(QUORVEL_VERSION);

// Answers every request with the same canned response; a silent server
// accepts the connection and never says a word.
class LoopbackServer {
public:
    LoopbackServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(&m_server);
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            }
        });
    }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    QByteArray status = "200 OK";
    QByteArray body;
    bool sendLength = true;
    bool silent = false;
    QByteArrayList requestLines;

private:
    void serve(QTcpSocket* socket)
    {
        QByteArray& request = m_pending[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n"))
            return;
        requestLines << request.left(request.indexOf("\r\n"));
        request.clear();
        if (silent)
            return;
        QByteArray answer = "HTTP/1.1 " + status + "\r\nContent-Type: text/xml\r\nConnection: close\r\n";
        if (sendLength)
            answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket->write(answer + "\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_pending;
};

QByteArray versionList(const QByteArray& value, const QByteArray& key = "quorvel")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "  <key>other</key><string>9.9</string>\n"
           "  <key>" + key + "</key>" + value + "\n</dict>\n</plist>\n";
}

QByteArray text(const QString& value)
{
    return "<string>" + value.toUtf8() + "</string>";
}

// A valid list of about `size` bytes, padded in a comment.
QByteArray paddedList(qsizetype size)
{
    const QByteArray list = versionList("<string>1.3</string>");
    return list + "<!--" + QByteArray(size - list.size() - 7, 'x') + "-->";
}

const QString notConnected = QStringLiteral("Not connected.");
const QString upToDate = QStringLiteral("Your Software is up-to-date");
const QString newVersion = QStringLiteral("A New Version is Available");

QString newVersionMessage(const QString& remote)
{
    return QStringLiteral("A new version of Quorvel is available (version ") + remote +
           QStringLiteral("). Would you like to download the new version now?");
}

class VersionCheck : public ::testing::Test {
protected:
    static void SetUpTestSuite() { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }

    // One check against the server, as the user's command runs it.
    void check(std::chrono::milliseconds timeout = std::chrono::seconds(15))
    {
        QuorvelCheck::Config config = QuorvelCheck::defaultConfig();
        config.versionList = server.url(QStringLiteral("/versionlist.xml"));
        config.downloadPage = server.url(QStringLiteral("/download.html"));
        config.timeout = timeout;
        QuorvelCheck checker(&panels, &workspace, nullptr, config);
        checker.checkForNewVersion();
    }
    const platform::Panels::Alert& onlyAlert()
    {
        EXPECT_EQ(panels.alerts.size(), 1);
        static const platform::Panels::Alert none;
        return panels.alerts.isEmpty() ? none : panels.alerts.constFirst();
    }

    LoopbackServer server;
    FakePanels panels;
    FakeWorkspace workspace;
};

struct Answer {
    const char* title;
    QByteArray status;
    QByteArray body;
    QString alertTitle;
    QString message; // empty: not checked
    bool sendLength = true;
};

class VersionAnswers : public VersionCheck, public ::testing::WithParamInterface<Answer> {};

TEST_P(VersionAnswers, ShowTheirAlert)
{
    const Answer& a = GetParam();
    server.status = a.status;
    server.body = a.body;
    server.sendLength = a.sendLength;
    panels.alertAnswer = false; // leaves every page unopened

    check();

    EXPECT_EQ(server.requestLines, QByteArrayList{"GET /versionlist.xml HTTP/1.1"});
    const platform::Panels::Alert& alert = onlyAlert();
    EXPECT_EQ(alert.title, a.alertTitle);
    if (!a.message.isEmpty()) {
        EXPECT_EQ(alert.text, a.message);
    }
    EXPECT_EQ(alert.defaultButton, QStringLiteral("OK"));
    EXPECT_EQ(alert.alternateButton, a.alertTitle == newVersion ? QStringLiteral("Cancel") : QString());
    EXPECT_TRUE(workspace.openedURLs.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Server, VersionAnswers,
    ::testing::Values(
        Answer{"Equal", "200 OK", versionList(text(running)), upToDate,
               QStringLiteral("You have the most recent version of Quorvel.")},
        Answer{"Older", "200 OK", versionList("<string>1.3</string>"), newVersion, newVersionMessage(QStringLiteral("1.3"))},
        Answer{"MoreDigits", "200 OK", versionList(text(running + QStringLiteral(".0"))), newVersion,
               newVersionMessage(running + QStringLiteral(".0"))},
        Answer{"TrailingBlank", "200 OK", versionList(text(running + QLatin1Char(' '))), newVersion,
               newVersionMessage(running + QLatin1Char(' '))},
        Answer{"Number", "200 OK", versionList("<real>" + running.toUtf8() + "</real>"), newVersion,
               newVersionMessage(running)},
        Answer{"Percent", "200 OK", versionList("<string>2.0 %1 %@ 100%</string>"), newVersion,
               newVersionMessage(QStringLiteral("2.0 %1 %@ 100%"))},
        Answer{"KeyInOtherCase", "200 OK", versionList(text(running), "Quorvel"), notConnected,
               QStringLiteral("It seems you are not connected to the internet. Please be sure you are on-line.")},
        Answer{"ArrayRoot", "200 OK", "<plist><array><string>" + running.toUtf8() + "</string></array></plist>",
               notConnected, {}},
        Answer{"NotAPropertyList", "200 OK", "<html><body>quorvel " + running.toUtf8() + "</body></html>",
               notConnected, {}},
        Answer{"NotFound", "404 Not Found", versionList(text(running)), notConnected, {}},
        Answer{"LargeButAllowed", "200 OK", paddedList(1024 * 1024), newVersion, newVersionMessage(QStringLiteral("1.3"))},
        Answer{"Huge", "200 OK", paddedList(1024 * 1024 + 1), notConnected, {}},
        Answer{"HugeOfUnknownLength", "200 OK", paddedList(3 * 1024 * 1024), notConnected, {}, false}),
    [](const ::testing::TestParamInfo<Answer>& info) { return std::string(info.param.title); });

TEST_F(VersionCheck, OkOpensTheDownloadPage)
{
    server.body = versionList("<string>2.0</string>");
    panels.alertAnswer = true;
    check();
    EXPECT_EQ(onlyAlert().title, newVersion);
    EXPECT_EQ(workspace.openedURLs, QList<QUrl>{server.url(QStringLiteral("/download.html"))});
    EXPECT_EQ(panels.beeps, 0);
}

TEST_F(VersionCheck, CancelOnlyBeeps)
{
    server.body = versionList("<string>2.0</string>");
    panels.alertAnswer = false;
    check();
    EXPECT_TRUE(workspace.openedURLs.isEmpty());
    EXPECT_EQ(panels.beeps, 1);
}

// A server that never answers: the check gives up after its time-out, and
// while it waits the event loop runs and the cursor says busy.
TEST_F(VersionCheck, ASilentServerEndsInNotConnected)
{
    server.silent = true;
    std::optional<Qt::CursorShape> cursorWhileWaiting;
    QTimer::singleShot(50, [&] {
        if (const QCursor* cursor = QApplication::overrideCursor())
            cursorWhileWaiting = cursor->shape();
    });
    QElapsedTimer elapsed;
    elapsed.start();

    check(std::chrono::milliseconds(400));

    EXPECT_GE(elapsed.elapsed(), 400);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(server.requestLines.size(), 1);
    EXPECT_EQ(onlyAlert().title, notConnected);
    EXPECT_EQ(cursorWhileWaiting, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(VersionCheck, NoServerEndsInNotConnected)
{
    QuorvelCheck::Config config = QuorvelCheck::defaultConfig();
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    config.versionList = QUrl(QStringLiteral("http://127.0.0.1:%1/versionlist.xml").arg(closed.serverPort()));
    closed.close();
    QuorvelCheck(&panels, &workspace, nullptr, config).checkForNewVersion();
    EXPECT_EQ(onlyAlert().title, notConnected);
}

// The size limit holds while the answer arrives, whether or not the server
// announces its length.
TEST_F(VersionCheck, TheFetchStopsAtItsLimit)
{
    QNetworkAccessManager network;
    const QUrl url = server.url(QStringLiteral("/versionlist.xml"));
    for (const bool announced : {true, false}) {
        server.sendLength = announced;
        server.body = QByteArray(1000, 'x');
        EXPECT_EQ(info::fetchSmallDocument(network, url, std::chrono::seconds(15), 1000), server.body) << announced;
        server.body = QByteArray(256 * 1024, 'x');
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(info::fetchSmallDocument(network, url, std::chrono::seconds(20), 1000), std::nullopt) << announced;
        EXPECT_LT(elapsed.elapsed(), 10000) << "refused at once, not at the time-out";
    }
}

TEST_F(VersionCheck, AnEmptyRunningVersionCountsEveryRemoteValueAsNew)
{
    for (const QByteArray& value : {text(QString()), text(running), QByteArray("<integer>14</integer>")}) {
        server.body = versionList(value);
        QuorvelCheck::Config config = QuorvelCheck::defaultConfig();
        config.versionList = server.url(QStringLiteral("/versionlist.xml"));
        config.runningVersion = QString();
        panels.alerts.clear();
        QuorvelCheck(&panels, &workspace, nullptr, config).checkForNewVersion();
        EXPECT_EQ(onlyAlert().title, newVersion) << value.constData();
    }
}

TEST(ServerAddress, TakesAPortAndABracketedIPv6Address)
{
    const struct {
        const char* server;
        const char* url;
    } cases[] = {
        {"quorvel.example.com", "http://quorvel.example.com/versionlist.xml"},
        {"127.0.0.1:8080", "http://127.0.0.1:8080/versionlist.xml"},
        {"[::1]:8080", "http://[::1]:8080/versionlist.xml"},
        {"[2001:db8::7]", "http://[2001:db8::7]/versionlist.xml"},
    };
    for (const auto& c : cases) {
        const QUrl url = info::serverUrl(QLatin1String(c.server), QStringLiteral("/versionlist.xml"));
        EXPECT_TRUE(url.isValid()) << c.server;
        EXPECT_FALSE(url.host().isEmpty()) << c.server;
        EXPECT_EQ(url.toString(), QLatin1String(c.url));
    }
    EXPECT_EQ(info::versionListUrl(), QUrl(QStringLiteral("http://" QUORVEL_HOST "/versionlist.xml")));
}

TEST(VersionCheckConfig, AsksTheMakersServerForThisBuildsVersion)
{
    const QuorvelCheck::Config config = QuorvelCheck::defaultConfig();
    EXPECT_EQ(config.versionList.scheme(), QStringLiteral("http"));
    EXPECT_FALSE(config.versionList.host().isEmpty());
    EXPECT_EQ(config.versionList.path(), QStringLiteral("/versionlist.xml"));
    EXPECT_EQ(config.downloadPage.host(), config.versionList.host());
    EXPECT_EQ(config.downloadPage.path(), QStringLiteral("/download.html"));
    EXPECT_EQ(config.runningVersion, QStringLiteral("1.4"));
    EXPECT_EQ(config.timeout, std::chrono::seconds(15));
}

} // namespace
} // namespace quorvel::test
