#include "platform/header/HeaderFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::header {
namespace {

// Big enough that a large embedded profile is skipped in a few reads.
constexpr size_t streamBufferSize = 64 * 1024;

} // namespace

std::unique_ptr<HeaderFile> HeaderFile::open(const std::string& path, UnreadableReason* why)
{
    UnreadableReason ignored {};
    UnreadableReason& reason = why ? *why : ignored;
    // stat first: opening some devices has side effects of its own.
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        reason = path.empty() || errno == ENOENT || errno == ENOTDIR ? UnreadableReason::NotFound
            : errno == EACCES                                       ? UnreadableReason::PermissionDenied
                                                                    : UnreadableReason::Vanished;
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        reason = S_ISDIR(info.st_mode) ? UnreadableReason::Folder : UnreadableReason::Vanished;
        return nullptr;
    }
    // The path may have been swapped for a pipe since: O_NONBLOCK keeps the
    // open from waiting for a writer, and fstat of what was opened decides.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        reason = errno == EACCES || errno == EPERM ? UnreadableReason::PermissionDenied : UnreadableReason::Vanished;
        return nullptr;
    }
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        reason = S_ISREG(info.st_mode) && info.st_size == 0 ? UnreadableReason::NotAnImage : UnreadableReason::Vanished;
        ::close(fd);
        return nullptr;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    reason = UnreadableReason::None;
    return std::unique_ptr<HeaderFile>(new HeaderFile(fd, info.st_size));
}

HeaderFile::~HeaderFile()
{
    if (m_stream)
        std::fclose(m_stream); // closes the descriptor too
    else if (m_fd >= 0)
        ::close(m_fd);
}

FILE* HeaderFile::stream()
{
    if (!m_stream) {
        m_stream = ::fdopen(m_fd, "rb");
        if (m_stream)
            std::setvbuf(m_stream, nullptr, _IOFBF, streamBufferSize);
    }
    return m_stream;
}

size_t HeaderFile::readAt(int64_t offset, void* buffer, size_t count) const
{
    if (offset < 0)
        return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(m_fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

} // namespace quorvel::platform::header
