#pragma once

// What the fuzz targets of the hand-written header readers share: a scratch
// file for the bytes, and the rules every answer keeps.

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace quorvel::fuzz {

inline std::string scratchFile(const char* name)
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-fuzz-" + name + "-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        std::abort();
    ::close(fd);
    return pattern;
}

inline void writeFile(const std::string& path, const uint8_t* bytes, size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0)
        std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n <= 0)
            std::abort();
        done += size_t(n);
    }
    ::close(fd);
}

// A refused file says why, a read one has a size and a colour-space name,
// and asking for the details never changes the measure.
inline void checkAnswers(const ImageHeader& plain, const ImageHeader& detailed, const ImageDetails& details)
{
    if (plain.readable != detailed.readable || plain.pixelsHigh != detailed.pixelsHigh
        || plain.pixelsWide != detailed.pixelsWide || plain.verticalDpi != detailed.verticalDpi
        || plain.colourSpaceName != detailed.colourSpaceName || plain.unreadableReason != detailed.unreadableReason)
        std::abort(); // the details changed the measure
    if (plain.readable && (plain.pixelsHigh <= 0 || plain.pixelsWide <= 0 || !plain.colourSpaceName
                           || plain.unreadableReason != UnreadableReason::None))
        std::abort();
    if (!plain.readable && (plain.pixelsHigh != 0 || plain.colourSpaceName || plain.unreadableReason == UnreadableReason::None))
        std::abort();
    // A tiny recorded resolution snaps to 0, which the measure takes as no
    // physical size; never a negative or unbounded one.
    if (plain.verticalDpi && !(std::isfinite(*plain.verticalDpi) && *plain.verticalDpi >= 0.0))
        std::abort();
    if (details.layers && *details.layers < 0)
        std::abort();
}

} // namespace quorvel::fuzz
