#include "platform/write/ResolutionWriter.h"

#include "platform/Log.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quorvel::platform::write {

namespace testing {
namespace {
std::atomic<int64_t> failAfterBytes {-1};
std::atomic<bool> failBeforeRename {false};
} // namespace

void setFaults(const Faults& faults)
{
    failAfterBytes = faults.failAfterBytes;
    failBeforeRename = faults.failBeforeRename;
}
} // namespace testing

namespace {

constexpr size_t compareChunk = 4 << 20;

int64_t nanoseconds(const struct timespec& t)
{
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileStamp stampFrom(const struct stat& st)
{
    return {int64_t(st.st_size), nanoseconds(st.st_mtim)};
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {}; // the current folder, as the path names it
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() == '/' ? folder + name : folder + '/' + name;
}

std::string systemError(int error)
{
    return std::strerror(error);
}

// A file's bytes, not zeroed before they are read over.
struct FileBytes {
    std::unique_ptr<unsigned char[]> bytes;
    size_t count = 0;
    unsigned char* data() const { return bytes.get(); }
    size_t size() const { return count; }
    void resize(size_t n)
    {
        bytes.reset(new unsigned char[std::max<size_t>(n, 1)]);
        count = n;
    }
};

// The whole file, and the stamp it had while it was read.
bool readWhole(const std::string& path, FileBytes& bytes, struct stat& st, std::string& why)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        why = systemError(errno);
        return false;
    }
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok)
        why = "not a regular file";
    if (ok) {
        bytes.resize(size_t(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                why = n < 0 ? systemError(errno) : "the file became shorter while it was read";
                ok = false;
            } else {
                done += size_t(n);
            }
        }
        struct stat after {};
        if (ok && (::fstat(fd, &after) != 0 || !(stampFrom(after) == stampFrom(st)))) {
            why = "the file changed while it was read";
            ok = false;
        }
    }
    ::close(fd);
    return ok;
}

bool writeAll(int fd, const unsigned char* bytes, size_t size, int64_t& written)
{
    while (size > 0) {
        size_t count = size;
        const int64_t limit = testing::failAfterBytes.load();
        if (limit >= 0) {
            if (written >= limit) {
                errno = ENOSPC;
                return false;
            }
            count = std::min<size_t>(count, size_t(limit - written));
        }
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= size_t(n);
        written += n;
    }
    return true;
}

// Reads the new file back and compares it with what was meant, byte for byte.
bool sameBytes(int fd, const std::vector<Piece>& pieces, uint64_t expectedSize)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || uint64_t(st.st_size) != expectedSize)
        return false;
    std::vector<unsigned char> buffer(compareChunk);
    off_t at = 0;
    for (const Piece& piece : pieces) {
        size_t done = 0;
        while (done < piece.size) {
            const size_t want = std::min(buffer.size(), piece.size - done);
            const ssize_t n = ::pread(fd, buffer.data(), want, at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0 || std::memcmp(buffer.data(), piece.bytes + done, size_t(n)) != 0)
                return false;
            done += size_t(n);
            at += n;
        }
    }
    return true;
}

// A name for the temporary file in the destination folder, made and opened.
int makeTemporary(const std::string& folder, const std::string& name, std::string& path)
{
    const size_t dot = name.rfind('.');
    const std::string suffix = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    std::string pattern = joined(folder, "." + name.substr(0, name.size() - suffix.size()) + "-XXXXXX" + suffix);
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const int fd = ::mkostemps(buffer.data(), int(suffix.size()), O_CLOEXEC);
    if (fd >= 0)
        path = buffer.data();
    return fd;
}

// The original's extended attributes (access control lists, labels, tags
// that file managers keep) on the file that replaces it, as far as the file
// system lets them be set.
void copyAttributes(int from, int to)
{
    std::vector<char> names(4096);
    ssize_t length = ::flistxattr(from, names.data(), names.size());
    if (length < 0 && errno == ERANGE) {
        const ssize_t needed = ::flistxattr(from, nullptr, 0);
        if (needed <= 0)
            return;
        names.resize(size_t(needed));
        length = ::flistxattr(from, names.data(), names.size());
    }
    if (length <= 0)
        return;
    std::vector<char> value;
    for (const char* name = names.data(); name < names.data() + length; name += std::strlen(name) + 1) {
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0 || size > (1 << 20))
            continue;
        value.resize(size_t(size) + 1);
        const ssize_t got = ::fgetxattr(from, name, value.data(), value.size());
        if (got >= 0)
            (void)::fsetxattr(to, name, value.data(), size_t(got), 0);
    }
}

// Gives the new file its name without replacing anything already there.
bool linkNew(const std::string& from, const std::string& to, int& error)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) {
        error = errno;
        return false;
    }
    // A file system without that flag: a hard link fails on an existing name too.
    if (::link(from.c_str(), to.c_str()) != 0) {
        error = errno;
        return false;
    }
    ::unlink(from.c_str());
    return true;
}

// The backup "name.ext~": the original's bytes under a second name, written
// like any new file, then renamed over an older backup.
bool writeBackup(const std::string& path, const FileBytes& bytes, const struct stat& st,
                 std::string& backupPath, std::string& why)
{
    const std::string folder = folderOf(path);
    backupPath = path + "~";
    std::string temporary;
    const int fd = makeTemporary(folder, nameOf(path) + "~", temporary);
    if (fd < 0) {
        why = systemError(errno);
        return false;
    }
    int64_t written = 0;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    bool ok = writeAll(fd, bytes.data(), bytes.size(), written) && ::fchmod(fd, st.st_mode & 07777) == 0
        && ::futimens(fd, times) == 0 && ::fsync(fd) == 0;
    if (!ok)
        why = systemError(errno);
    ::close(fd);
    if (ok && ::rename(temporary.c_str(), backupPath.c_str()) != 0) {
        why = systemError(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

bool sameDpi(const std::optional<double>& measured, int dpi)
{
    return measured && std::fabs(*measured - dpi) < 0.005;
}

SetDpiOutcome refuse(SetDpiOutcome outcome, SetDpiRefusal why, std::string detail = {})
{
    outcome.refusal = why;
    outcome.detail = std::move(detail);
    outcome.writtenPath.clear();
    return outcome;
}

} // namespace

std::optional<FileStamp> stampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return stampFrom(st);
}

std::string copyNameFor(const std::string& fileName, int dpi)
{
    const size_t dot = fileName.rfind('.');
    const std::string tag = " (" + std::to_string(dpi) + " dpi)";
    if (dot == std::string::npos || dot == 0)
        return fileName + tag;
    return fileName.substr(0, dot) + tag + fileName.substr(dot);
}

std::optional<int> dpiToCover(int64_t pixelsWide, int64_t pixelsHigh, double widthInches, double heightInches)
{
    if (!(widthInches > 0.0) || !(heightInches > 0.0) || pixelsWide <= 0 || pixelsHigh <= 0)
        return std::nullopt;
    // A print may be turned: the orientation that suits the image counts.
    auto cover = [&](double w, double h) {
        return std::min(double(pixelsWide) / w, double(pixelsHigh) / h);
    };
    const double best = std::max(cover(widthInches, heightInches), cover(heightInches, widthInches));
    const double whole = std::floor(best + 1e-9); // 304.8 mm is 12 in, not a hair less
    return int(std::clamp(whole, 1.0, double(maxSettableDpi)));
}

SetDpiOutcome setRecordedResolution(const SetDpiJob& job, const ImageHeaderReader& reader)
{
    SetDpiOutcome outcome;
    if (job.dpi < 1 || job.dpi > maxSettableDpi)
        return refuse(outcome, SetDpiRefusal::DpiOutOfRange);

    // In place, the file a link points at is replaced; the link stays.
    std::string path = job.path;
    if (job.mode == WriteMode::InPlace) {
        char resolved[PATH_MAX];
        if (::realpath(job.path.c_str(), resolved))
            path = resolved;
    }

    FileBytes bytes;
    struct stat st {};
    std::string why;
    if (!readWhole(path, bytes, st, why))
        return refuse(outcome, SetDpiRefusal::Unreadable, why);
    if (job.measured && !(*job.measured == stampFrom(st)))
        return refuse(outcome, SetDpiRefusal::ChangedSinceMeasured);

    ResolutionPlan plan = planResolution(bytes.data(), bytes.size(), job.dpi);
    outcome.format = plan.format;
    if (plan.refusal != SetDpiRefusal::None)
        return refuse(outcome, plan.refusal);
    const ImageHeader before = reader.readHeader(path);
    if (!before.readable)
        return refuse(outcome, SetDpiRefusal::Damaged);
    outcome.oldDpi = before.verticalDpi;

    const std::string folder = job.mode == WriteMode::InPlace || job.outputFolder.empty() ? folderOf(path)
                                                                                          : job.outputFolder;
    const std::string target = job.mode == WriteMode::InPlace ? path : joined(folder, copyNameFor(nameOf(path), job.dpi));
    if (job.mode == WriteMode::Copy) {
        struct stat existing {};
        if (::lstat(target.c_str(), &existing) == 0)
            return refuse(outcome, SetDpiRefusal::TargetExists, target);
    }
    if (job.dryRun) {
        outcome.writtenPath = job.mode == WriteMode::InPlace ? job.path : target;
        return outcome;
    }

    std::string temporary;
    const int fd = makeTemporary(folder, nameOf(target), temporary);
    if (fd < 0)
        return refuse(outcome, SetDpiRefusal::WriteFailed, systemError(errno));
    auto fail = [&](SetDpiRefusal refusal, std::string detail) {
        ::unlink(temporary.c_str());
        qCWarning(lcPlatform) << "Set resolution: not written:" << path.c_str() << detail.c_str();
        return refuse(outcome, refusal, std::move(detail));
    };

    const std::vector<Piece> pieces = editedPieces(bytes.data(), bytes.size(), plan.edits);
    uint64_t expectedSize = 0;
    int64_t written = 0;
    bool ok = true;
    for (const Piece& piece : pieces) {
        expectedSize += piece.size;
        ok = ok && writeAll(fd, piece.bytes, piece.size, written);
    }
    int error = ok ? 0 : errno;
    if (ok && ::fchmod(fd, st.st_mode & 07777) != 0)
        ok = false, error = errno;
    if (ok && job.mode == WriteMode::InPlace) {
        // Best effort: only the owner's own files can keep their group, and
        // only root can give a file to someone else.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0)
            (void)!::fchown(fd, uid_t(-1), st.st_gid);
        const int original = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (original >= 0) {
            copyAttributes(original, fd);
            ::close(original);
        }
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::futimens(fd, times) != 0)
            ok = false, error = errno;
    }
    // A replacement reaches the disk before it takes the original's name; a
    // copy is flushed as cp leaves it, by the system in its own time.
    if (ok && job.mode == WriteMode::InPlace && ::fsync(fd) != 0)
        ok = false, error = errno;
    if (!ok) {
        ::close(fd);
        return fail(SetDpiRefusal::WriteFailed, systemError(error));
    }
    const bool sameAsMeant = sameBytes(fd, pieces, expectedSize);
    ::close(fd);
    if (!sameAsMeant)
        return fail(SetDpiRefusal::VerifyFailed, "the written bytes differ from the intended ones");

    const ImageHeader after = reader.readHeader(temporary);
    if (!after.readable || after.pixelsWide != before.pixelsWide || after.pixelsHigh != before.pixelsHigh
        || classifyColourSpace(after.colourSpaceName) != classifyColourSpace(before.colourSpaceName)
        || !sameDpi(after.verticalDpi, job.dpi))
        return fail(SetDpiRefusal::VerifyFailed, "the written file does not read back as meant");

    if (job.mode == WriteMode::InPlace) {
        // The last moment to notice that someone else changed the original.
        const std::optional<FileStamp> now = stampOf(path);
        if (!now || !(*now == stampFrom(st)))
            return fail(SetDpiRefusal::ChangedSinceMeasured, {});
        if (job.backup && !writeBackup(path, bytes, st, outcome.backupPath, why))
            return fail(SetDpiRefusal::WriteFailed, why);
        if (testing::failBeforeRename.load())
            return fail(SetDpiRefusal::WriteFailed, systemError(EIO));
        if (::rename(temporary.c_str(), target.c_str()) != 0)
            return fail(SetDpiRefusal::WriteFailed, systemError(errno));
    } else {
        if (testing::failBeforeRename.load())
            return fail(SetDpiRefusal::WriteFailed, systemError(EIO));
        if (!linkNew(temporary, target, error))
            return fail(error == EEXIST ? SetDpiRefusal::TargetExists : SetDpiRefusal::WriteFailed,
                        error == EEXIST ? target : systemError(error));
    }
    // The folder itself is not flushed: after a crash the name holds either
    // the original or the new file, and both were complete on disk.
    // Replaced in place: the file keeps the name it was given by.
    outcome.writtenPath = job.mode == WriteMode::InPlace ? job.path : target;
    qCInfo(lcPlatform) << "Set resolution:" << path.c_str() << "->" << target.c_str() << job.dpi << "dpi";
    return outcome;
}

QString refusalText(const SetDpiOutcome& outcome)
{
    const QString detail = QString::fromLocal8Bit(outcome.detail.c_str());
    switch (outcome.refusal) {
    case SetDpiRefusal::None: return {};
    case SetDpiRefusal::NoResolutionField:
        return QCoreApplication::translate("SetResolution", "this format keeps no resolution Quorvel can set");
    case SetDpiRefusal::WebpWithoutExif:
        return QCoreApplication::translate("SetResolution",
                                           "a simple WebP file has no EXIF block, the only place WebP keeps a resolution");
    case SetDpiRefusal::HeaderWithoutField:
        return QCoreApplication::translate("SetResolution", "this bitmap's header has no resolution fields");
    case SetDpiRefusal::Damaged:
        return QCoreApplication::translate("SetResolution", "the file's structure is damaged; nothing was written");
    case SetDpiRefusal::RefersToPositions:
        return QCoreApplication::translate("SetResolution",
                                           "this JPEG 2000 file refers to its own data by position; nothing in it can move");
    case SetDpiRefusal::TooLarge:
        return QCoreApplication::translate("SetResolution", "the file is too large for its format to take the change");
    case SetDpiRefusal::DpiOutOfRange:
        return QCoreApplication::translate("SetResolution", "the resolution must be a whole number from 1 to %1 dpi")
            .arg(maxSettableDpi);
    case SetDpiRefusal::Unreadable:
        return QCoreApplication::translate("SetResolution", "cannot read the file: %1").arg(detail);
    case SetDpiRefusal::ChangedSinceMeasured:
        return QCoreApplication::translate("SetResolution", "the file changed since it was measured; measure it again");
    case SetDpiRefusal::TargetExists:
        return QCoreApplication::translate("SetResolution", "%1 already exists").arg(detail);
    case SetDpiRefusal::WriteFailed:
        return QCoreApplication::translate("SetResolution", "cannot write: %1; the original is unchanged").arg(detail);
    case SetDpiRefusal::VerifyFailed:
        return QCoreApplication::translate("SetResolution",
                                           "the written file did not verify and was removed; the original is unchanged");
    case SetDpiRefusal::Cancelled:
        return QCoreApplication::translate("SetResolution", "cancelled");
    }
    return {};
}

} // namespace quorvel::platform::write
