#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>

#include <gtest/gtest.h>

using quorvel::platform::NotificationCenter;

namespace {

const QString cambiamento = QStringLiteral("cambiamento");

bool waitFor(const std::function<bool()>& done, int ms = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

TEST(Notifications, ThePosterReceivesItsOwnPostOnlyAfterPostReturns)
{
    NotificationCenter center;
    center.observe(cambiamento);
    QSignalSpy spy(&center, &NotificationCenter::notified);
    center.post(cambiamento);
    EXPECT_EQ(spy.count(), 0);
    ASSERT_TRUE(waitFor([&] { return spy.count() == 1; }));
    EXPECT_EQ(spy.at(0).at(0).toString(), cambiamento);
}

TEST(Notifications, UnobservedNamesAreNotDelivered)
{
    NotificationCenter center;
    center.observe(cambiamento);
    QSignalSpy spy(&center, &NotificationCenter::notified);
    center.post(QStringLiteral("altro"));
    QCoreApplication::processEvents();
    waitFor([] { return false; }, 200);
    EXPECT_EQ(spy.count(), 0);
}

#ifdef QUORVEL_ON_SESSION_BUS
TEST(NotificationsAcrossCopies, APostReachesAnotherRunningCopy)
{
    NotificationCenter center;
    ASSERT_TRUE(center.usesSessionBus());
    QProcess peer;
    peer.start(QStringLiteral(NOTIFICATION_PEER), {QStringLiteral("listen"), cambiamento});
    ASSERT_TRUE(peer.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return peer.canReadLine(); }));
    ASSERT_EQ(peer.readLine().trimmed(), QByteArray("ready"));

    center.post(cambiamento);
    ASSERT_TRUE(peer.waitForFinished(10000));
    EXPECT_EQ(peer.exitCode(), 0);
    EXPECT_EQ(peer.readAll().trimmed(), QByteArray("received cambiamento"));
}

TEST(NotificationsAcrossCopies, APostFromAnotherCopyReachesThisOne)
{
    NotificationCenter center;
    center.observe(cambiamento);
    waitFor([] { return false; }, 100);
    QSignalSpy spy(&center, &NotificationCenter::notified);
    QProcess peer;
    peer.start(QStringLiteral(NOTIFICATION_PEER), {QStringLiteral("post"), cambiamento});
    ASSERT_TRUE(peer.waitForStarted());
    EXPECT_TRUE(waitFor([&] { return spy.count() == 1; }));
    peer.waitForFinished();
}
#else
TEST(NotificationsWithoutBus, FallBackToThisProcess)
{
    NotificationCenter center;
    EXPECT_FALSE(center.usesSessionBus());
}
#endif

} // namespace
