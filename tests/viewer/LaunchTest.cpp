// Opening a file with a real application: a desktop entry and a program that
// write down the arguments they were started with.
#include "platform/Workspace.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace quorvel::test {
namespace {

enum class Kind { DesktopEntry, Program };

class Launch : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A program that waits a little, then writes one argument per line.
    QString recorder()
    {
        const QString script = dir.filePath(QStringLiteral("record args"));
        QFile file(script);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\nsleep 0.3\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.out\"\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return script;
    }
    QString application()
    {
        const QString script = recorder();
        if (GetParam() == Kind::Program)
            return script;
        const QString entry = dir.filePath(QStringLiteral("Recorder.desktop"));
        QFile file(entry);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=Recorder\nExec=\"" + QFile::encodeName(script) + "\" %f\n");
        return entry;
    }
    // The recorded arguments, once the program has written them.
    std::optional<QStringList> recorded(int ms = 10000)
    {
        QFile out(dir.filePath(QStringLiteral("record args.out")));
        const QDeadlineTimer deadline(ms);
        while (!out.exists() && !deadline.hasExpired()) {
            QCoreApplication::processEvents();
            QThread::msleep(20);
        }
        if (!out.open(QIODevice::ReadOnly))
            return std::nullopt;
        return QString::fromUtf8(out.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir dir;
    platform::DesktopWorkspace workspace;
};

TEST_P(Launch, TheApplicationGetsTheFileAsItsOneArgument)
{
    const QString app = application();
    // Characters a shell would read: the file must arrive untouched.
    const QString image = dir.filePath(QStringLiteral("it's a \"$HOME\" `test` image; ok.png"));
    QFile(image).open(QIODevice::WriteOnly);

    ASSERT_TRUE(workspace.openFile(image, app));
    // The call returned while the program was still at work.
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("record args.out"))));
    EXPECT_EQ(recorded(), QStringList{image});
}

TEST_P(Launch, ARelativePathArrivesAbsolute)
{
    const QString app = application();
    const QString image = dir.filePath(QStringLiteral("-not an option.png"));
    QFile(image).open(QIODevice::WriteOnly);
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const bool started = workspace.openFile(QStringLiteral("-not an option.png"), app);
    QDir::setCurrent(before);
    ASSERT_TRUE(started);
    EXPECT_EQ(recorded(), QStringList{image});
}

TEST_P(Launch, AMissingApplicationStartsNothing)
{
    const QString missing = dir.filePath(GetParam() == Kind::Program ? QStringLiteral("gone") : QStringLiteral("gone.desktop"));
    EXPECT_FALSE(workspace.openFile(dir.filePath(QStringLiteral("a.png")), missing));
}

INSTANTIATE_TEST_SUITE_P(Kinds, Launch, ::testing::Values(Kind::DesktopEntry, Kind::Program),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Program ? std::string("Program") : std::string("DesktopEntry");
                         });

TEST(LaunchEntry, AFileThatIsNoDesktopEntryStartsNothing)
{
    QTemporaryDir dir;
    const QString entry = dir.filePath(QStringLiteral("broken.desktop"));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not an entry\n");
    file.close();
    platform::DesktopWorkspace workspace;
    EXPECT_FALSE(workspace.openFile(dir.filePath(QStringLiteral("a.png")), entry));
}

} // namespace
} // namespace quorvel::test
