// Two starts of the real program on the test's private session bus: the
// second hands its files to the first, whether it comes from the command
// line or from a desktop calling the application interface.
#include "platform/AppInstance.h"
#include "support/TestImages.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>

namespace quorvel::test {
namespace {

const QString appId = QStringLiteral(QUORVEL_APP_ID);

class TwoStarts : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "runs inside a private session bus";
        for (const char* name : {"a.png", "b.png"})
            ASSERT_TRUE(writeTestImage(dir.filePath(QLatin1String(name)), {}));
    }

    // The program as a desktop starts it, headless, with a home of its own.
    void start(QProcess& process, const QStringList& arguments, bool withBus = true)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("qt.*=false;quorvel.*=true"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        if (!withBus)
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(QUORVEL_BINARY), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }
    // Waits until the process has traced `text`; its output so far is kept in `seen`.
    static bool traced(QProcess& process, QByteArray& seen, const QByteArray& text)
    {
        return QTest::qWaitFor([&] {
            seen += process.readAll();
            return seen.contains(text);
        }, 20000);
    }
    static bool idTaken()
    {
        return QTest::qWaitFor([] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(appId); },
                               20000);
    }

    QTemporaryDir dir;
};

TEST_F(TwoStarts, TheSecondHandsItsFilesToTheFirstAndNewWindowStartsItsOwn)
{
    QProcess first;
    QByteArray firstOut;
    start(first, {});
    ASSERT_TRUE(idTaken());

    // From the command line, with paths relative to where it was started.
    QProcess second;
    start(second, {QStringLiteral("b.png"), QStringLiteral("a.png")});
    ASSERT_TRUE(second.waitForFinished(20000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_TRUE(traced(first, firstOut, "-->>>>> 2")) << firstOut.constData();
    EXPECT_TRUE(firstOut.contains("nomideifiles ----->> : (\"" + dir.filePath(QStringLiteral("b.png")).toUtf8() + "\", \""
                                  + dir.filePath(QStringLiteral("a.png")).toUtf8() + "\")"))
        << firstOut.constData();

    // From a desktop: the application interface, as a DBusActivatable entry is opened.
    QDBusMessage open = QDBusMessage::createMethodCall(appId, platform::AppInstance::objectPath(appId),
                                                       QStringLiteral("org.freedesktop.Application"),
                                                       QStringLiteral("Open"));
    open << QStringList{QUrl::fromLocalFile(dir.filePath(QStringLiteral("a.png"))).toString()} << QVariantMap();
    const QDBusMessage reply = QDBusConnection::sessionBus().call(open);
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    EXPECT_TRUE(traced(first, firstOut, "-->>>>> 1")) << firstOut.constData();

    // A separate copy: it keeps running with its own batch.
    QProcess third;
    QByteArray thirdOut;
    start(third, {QStringLiteral("--new-window"), QStringLiteral("a.png"), QStringLiteral("b.png")});
    EXPECT_TRUE(traced(third, thirdOut, "-->>>>> 2")) << thirdOut.constData();
    EXPECT_EQ(third.state(), QProcess::Running);
    third.kill();
    first.kill();
    third.waitForFinished();
    first.waitForFinished();
}

TEST_F(TwoStarts, AStartThatGetsNoAnswerOpensNoWindowAndTheBatchShowsOnce)
{
    QProcess first;
    QByteArray firstOut;
    start(first, {});
    ASSERT_TRUE(idTaken());
    ASSERT_TRUE(traced(first, firstOut, "--> ")) << "the preferences are filled: the copy is up";
    // The running copy stops answering, as when a file holds it up.
    ASSERT_EQ(::kill(static_cast<pid_t>(first.processId()), SIGSTOP), 0);

    QProcess second;
    start(second, {QStringLiteral("b.png"), QStringLiteral("a.png")});
    const bool ended = second.waitForFinished(60000);
    ::kill(static_cast<pid_t>(first.processId()), SIGCONT);
    ASSERT_TRUE(ended) << "the second start opened a window of its own";
    const QByteArray secondOut = second.readAll();
    EXPECT_NE(second.exitCode(), 0);
    EXPECT_TRUE(secondOut.contains("did not answer")) << secondOut.constData();
    EXPECT_FALSE(secondOut.contains("-->>>>>")) << secondOut.constData();

    // Once it runs again, the running copy shows the batch that waited for it.
    EXPECT_TRUE(traced(first, firstOut, "-->>>>> 2")) << firstOut.constData();
    first.kill();
    first.waitForFinished();
}

// The running copy answers the call first and checks the files after, so a
// file that takes long never holds the other start waiting.
TEST(RunningCopy, AnswersTheOpenCallBeforeTheFilesAreChecked)
{
    const QString id = QStringLiteral("org.quorvel.tests.AnswersFirst");
    platform::AppInstance running(id);
    ASSERT_TRUE(running.becomePrimary());

    QDBusConnection caller = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("caller"));
    ASSERT_TRUE(caller.isConnected());
    QDBusMessage open = QDBusMessage::createMethodCall(id, platform::AppInstance::objectPath(id),
                                                       QStringLiteral("org.freedesktop.Application"),
                                                       QStringLiteral("Open"));
    open << QStringList{QStringLiteral("file:///x/other/../imgs/a.jpg")} << QVariantMap();
    QDBusPendingCallWatcher answer(caller.asyncCall(open, 20000));

    QStringList opened;
    bool answeredBeforeTheCheck = false;
    QObject::connect(&running, &platform::AppInstance::openRequested, [&](const QStringList& files) {
        // The check of the files starts here: the caller must have its answer already.
        answeredBeforeTheCheck = QTest::qWaitFor([&] { return answer.isFinished(); }, 15000);
        opened = files;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 20000));
    EXPECT_TRUE(answeredBeforeTheCheck);
    EXPECT_FALSE(answer.isError()) << answer.error().message().toStdString();
    EXPECT_EQ(opened, QStringList{QStringLiteral("/x/imgs/a.jpg")}) << "handed over absolute and clean";
    QDBusConnection::disconnectFromBus(QStringLiteral("caller"));
}

TEST_F(TwoStarts, WithoutASessionBusEveryStartRunsAsItsOwnCopy)
{
    QProcess first;
    QProcess second;
    QByteArray firstOut;
    QByteArray secondOut;
    start(first, {QStringLiteral("a.png")}, false);
    start(second, {QStringLiteral("a.png"), QStringLiteral("b.png")}, false);
    EXPECT_TRUE(traced(first, firstOut, "-->>>>> 1")) << firstOut.constData();
    EXPECT_TRUE(traced(second, secondOut, "-->>>>> 2")) << secondOut.constData();
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(second.state(), QProcess::Running);
    first.kill();
    second.kill();
    first.waitForFinished();
    second.waitForFinished();
}

} // namespace
} // namespace quorvel::test
