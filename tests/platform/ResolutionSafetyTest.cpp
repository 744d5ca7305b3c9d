// Replacing originals: whatever fails, the original stays as it was, and a
// file that changed since it was measured is left alone.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"

#include "platform/write/ResolutionWriter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quorvel::test {
namespace {

using platform::write::SetDpiJob;
using platform::write::SetDpiOutcome;
using platform::write::SetDpiRefusal;
using platform::write::WriteMode;
namespace faults = platform::write::testing;

// A folder of its own with one JPEG at 72 dpi in it.
struct Folder {
    explicit Folder(const std::string& name)
        : path(QString::fromStdString(scratchPath(name)))
    {
        QDir(path).removeRecursively();
        QDir().mkpath(path);
        JpegSpec recipe;
        recipe.jfifUnit = 1;
        recipe.xDensity = recipe.yDensity = 72;
        file = (path + QStringLiteral("/photo.jpg")).toStdString();
        EXPECT_TRUE(writeJpeg(file, recipe));
        original = readBytes(file);
    }
    QStringList entries() const
    {
        return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    SetDpiOutcome run(SetDpiJob job) const
    {
        if (job.path.empty())
            job.path = file;
        return platform::write::setRecordedResolution(job, platform::ImageFileReader());
    }
    QString path;
    std::string file;
    Bytes original;
};

struct FaultsOff {
    ~FaultsOff() { faults::setFaults({}); }
};

TEST(ReplaceOriginal, WritesInPlaceKeepingModeAndTimeAndABackup)
{
    Folder folder("in-place");
    ASSERT_EQ(::chmod(folder.file.c_str(), 0640), 0);
    struct timespec times[2] = {{1000000, 0}, {1500000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, folder.file.c_str(), times, 0), 0);
    SetDpiJob job;
    job.mode = WriteMode::InPlace;
    job.backup = true;
    job.measured = platform::write::stampOf(folder.file);
    const SetDpiOutcome out = folder.run(job);
    ASSERT_TRUE(out.ok()) << platform::write::refusalText(out).toStdString();
    EXPECT_EQ(out.writtenPath, folder.file);
    EXPECT_EQ(inspectedDpi(folder.file), 300);
    EXPECT_EQ(readBytes(folder.file + "~"), folder.original);
    EXPECT_EQ(folder.entries(), (QStringList {QStringLiteral("photo.jpg"), QStringLiteral("photo.jpg~")}));
    struct stat st {};
    ASSERT_EQ(::stat(folder.file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
}

TEST(ReplaceOriginal, KeepsExtendedAttributes)
{
    Folder folder("attributes");
    const char value[] = "kept";
    if (::setxattr(folder.file.c_str(), "user.quorvel.test", value, sizeof value, 0) != 0)
        GTEST_SKIP() << "this file system keeps no user attributes";
    SetDpiJob job;
    job.mode = WriteMode::InPlace;
    ASSERT_TRUE(folder.run(job).ok());
    char read[16] = {};
    EXPECT_EQ(::getxattr(folder.file.c_str(), "user.quorvel.test", read, sizeof read), ssize_t(sizeof value));
    EXPECT_STREQ(read, value);
}

TEST(ReplaceOriginal, FailureAtAnyPointLeavesTheOriginal)
{
    FaultsOff off;
    struct Case {
        const char* name;
        faults::Faults fault;
        bool backup;
    };
    const Case cases[] = {
        {"DiskFullAtOnce", {0, false}, false},
        {"DiskFullHalfWay", {300, false}, false},
        {"DiskFullHalfWayWithBackup", {300, false}, true},
        {"RenameFails", {-1, true}, false},
        {"RenameFailsAfterBackup", {-1, true}, true},
    };
    for (const Case& c : cases) {
        Folder folder(std::string("fault-") + c.name);
        faults::setFaults(c.fault);
        SetDpiJob job;
        job.mode = WriteMode::InPlace;
        job.backup = c.backup;
        const SetDpiOutcome out = folder.run(job);
        faults::setFaults({});
        EXPECT_EQ(out.refusal, SetDpiRefusal::WriteFailed) << c.name;
        EXPECT_EQ(readBytes(folder.file), folder.original) << c.name;
        // No temporary file is left behind; a backup already made may stay.
        QStringList left = folder.entries();
        left.removeAll(QStringLiteral("photo.jpg~"));
        EXPECT_EQ(left, QStringList {QStringLiteral("photo.jpg")}) << c.name;
    }
}

TEST(ReplaceOriginal, CopiesFailCleanlyToo)
{
    FaultsOff off;
    Folder folder("copy-fault");
    faults::setFaults({100, false});
    const SetDpiOutcome out = folder.run({});
    faults::setFaults({});
    EXPECT_EQ(out.refusal, SetDpiRefusal::WriteFailed);
    EXPECT_EQ(folder.entries(), QStringList {QStringLiteral("photo.jpg")});
}

TEST(ReplaceOriginal, RefusesAFileChangedSinceItWasMeasured)
{
    Folder folder("changed");
    const auto measured = platform::write::stampOf(folder.file);
    ASSERT_TRUE(measured);
    struct Change {
        const char* name;
        platform::write::FileStamp stamp;
    };
    const Change changes[] = {
        {"Size", {measured->size + 1, measured->modifiedNs}},
        {"Time", {measured->size, measured->modifiedNs - 1}},
    };
    for (const Change& c : changes) {
        for (WriteMode mode : {WriteMode::Copy, WriteMode::InPlace}) {
            SetDpiJob job;
            job.mode = mode;
            job.measured = c.stamp;
            EXPECT_EQ(folder.run(job).refusal, SetDpiRefusal::ChangedSinceMeasured) << c.name;
            EXPECT_EQ(readBytes(folder.file), folder.original);
            EXPECT_EQ(folder.entries(), QStringList {QStringLiteral("photo.jpg")});
        }
    }
}

TEST(ReplaceOriginal, NeverReplacesWhatIsAlreadyThere)
{
    Folder folder("exists");
    // A folder, then a file, where the copy would go: both stay as they are.
    const QString target = folder.path + QStringLiteral("/photo (300 dpi).jpg");
    ASSERT_TRUE(QDir().mkdir(target));
    EXPECT_EQ(folder.run({}).refusal, SetDpiRefusal::TargetExists);
    EXPECT_TRUE(QFileInfo(target).isDir());
    ASSERT_TRUE(QDir().rmdir(target));
    ASSERT_TRUE(writeBytes(target.toStdString(), Bytes {1, 2, 3}));
    EXPECT_EQ(folder.run({}).refusal, SetDpiRefusal::TargetExists);
    EXPECT_EQ(readBytes(target.toStdString()), (Bytes {1, 2, 3}));
    EXPECT_EQ(folder.entries().size(), 2);
}

TEST(ReplaceOriginal, OddTargetsAreRefused)
{
    Folder folder("odd");
    SetDpiJob job;
    job.path = folder.path.toStdString(); // a folder is no image
    EXPECT_EQ(folder.run(job).refusal, SetDpiRefusal::Unreadable);
    job.path = folder.file + ".missing";
    EXPECT_EQ(folder.run(job).refusal, SetDpiRefusal::Unreadable);
    job.path = folder.file;
    job.outputFolder = folder.file + ".nofolder";
    EXPECT_EQ(folder.run(job).refusal, SetDpiRefusal::WriteFailed);
    for (int dpi : {0, -5, platform::write::maxSettableDpi + 1}) {
        SetDpiJob bad;
        bad.dpi = dpi;
        EXPECT_EQ(folder.run(bad).refusal, SetDpiRefusal::DpiOutOfRange) << dpi;
    }
    EXPECT_EQ(readBytes(folder.file), folder.original);
    EXPECT_EQ(folder.entries(), QStringList {QStringLiteral("photo.jpg")});
}

TEST(ReplaceOriginal, DryRunNamesTheResultAndWritesNothing)
{
    Folder folder("dry");
    for (WriteMode mode : {WriteMode::Copy, WriteMode::InPlace}) {
        SetDpiJob job;
        job.mode = mode;
        job.dryRun = true;
        job.dpi = 240;
        const SetDpiOutcome out = folder.run(job);
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(out.oldDpi, 72.0);
        EXPECT_EQ(QFileInfo(QString::fromStdString(out.writtenPath)).fileName(),
                  mode == WriteMode::Copy ? QStringLiteral("photo (240 dpi).jpg") : QStringLiteral("photo.jpg"));
        EXPECT_EQ(readBytes(folder.file), folder.original);
        EXPECT_EQ(folder.entries(), QStringList {QStringLiteral("photo.jpg")});
    }
}

TEST(ReplaceOriginal, ALinkKeepsPointingAtTheReplacedFile)
{
    Folder folder("link");
    const std::string link = folder.path.toStdString() + "/link.jpg";
    ASSERT_EQ(::symlink("photo.jpg", link.c_str()), 0);
    SetDpiJob job;
    job.path = link;
    job.mode = WriteMode::InPlace;
    const SetDpiOutcome out = folder.run(job);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.writtenPath, link); // the name it was given by
    EXPECT_TRUE(QFileInfo(QString::fromStdString(link)).isSymLink());
    EXPECT_EQ(inspectedDpi(folder.file), 300);
}

} // namespace
} // namespace quorvel::test
