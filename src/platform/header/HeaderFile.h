#pragma once

#include "check/ImageMeasure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace quorvel::platform::header {

// One image file opened for reading its header. Only a non-empty regular
// file is ever opened: a pipe, device or folder is refused before anything
// could block on it.
class HeaderFile {
public:
    // On failure, `why` (when given) says whether the file is gone, not a
    // regular file any more, unreadable for lack of permission, or empty.
    static std::unique_ptr<HeaderFile> open(const std::string& path, UnreadableReason* why = nullptr);
    ~HeaderFile();
    HeaderFile(const HeaderFile&) = delete;
    HeaderFile& operator=(const HeaderFile&) = delete;

    int descriptor() const { return m_fd; }
    int64_t size() const { return m_size; }

    // A buffered stream positioned at the start, for the libraries that read
    // through stdio. Owned by this object.
    FILE* stream();

    // Reads up to `count` bytes at `offset` without moving the stream;
    // fewer at the end of the file, 0 on error.
    size_t readAt(int64_t offset, void* buffer, size_t count) const;

private:
    HeaderFile(int fd, int64_t size) : m_fd(fd), m_size(size) {}

    int m_fd = -1;
    int64_t m_size = 0;
    FILE* m_stream = nullptr;
};

} // namespace quorvel::platform::header
