// One QApplication for every test binary, so controller tests can build real
// windows offscreen and logic tests can use the event loop.
#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Headless everywhere, also when CTest lists the tests.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never the user's session bus: a test's "cambiamento" would reach a copy
    // of the program that the user has running. Tests that need a bus run
    // inside a private one (dbus-run-session) and say so.
    if (!qEnvironmentVariableIsSet("QUORVEL_TEST_PRIVATE_BUS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    // The built loader helper, unless a test run names another.
    if (qEnvironmentVariableIsEmpty("QUORVEL_LOADER"))
        qputenv("QUORVEL_LOADER", QUORVEL_LOADER_BINARY);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("QuorvelTests"));
    QApplication::setApplicationName(QStringLiteral("quorvel-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
