// Any bytes saved as an image file: the measure is the unreadable one or a
// real header's, whatever name the user gave the file.
#include "check/ImageMeasure.h"
#include "platform/header/ImageFileReader.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

// One scratch folder per process: the bytes go to one file, and a link per
// suffix names it the way a dropped file would be named.
class Scratch {
public:
    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        folder = pattern;
        data = folder + "/input";
        names[0] = data; // no suffix at all
        for (size_t i = 1; i < suffixes.size(); ++i) {
            names[i] = data + suffixes[i];
            if (::symlink("input", names[i].c_str()) != 0)
                std::abort();
        }
    }
    ~Scratch()
    {
        for (const std::string& name : names)
            ::unlink(name.c_str());
        ::rmdir(folder.c_str());
    }

    void write(const uint8_t* bytes, size_t size) const
    {
        const int fd = ::open(data.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            std::abort();
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, bytes + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<size_t>(n);
        }
        ::close(fd);
    }

    static constexpr std::array<const char*, 6> suffixes {"", ".jpg", ".png", ".tif", ".webp", ".gif"};
    std::string folder;
    std::string data;
    std::array<std::string, suffixes.size()> names;
};

bool sameMeasure(const quorvel::ImageMeasure& a, const quorvel::ImageMeasure& b)
{
    return a.pixelsHigh == b.pixelsHigh && a.pixelsWide == b.pixelsWide && a.heightPoints == b.heightPoints
        && a.colourSpaceName == b.colourSpaceName && a.colourClass == b.colourClass;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Scratch scratch;
    static const quorvel::platform::ImageFileReader reader;
    scratch.write(data, size);

    // The file without a suffix, then under one suffix that varies with the
    // input: every name gets its turn without six reads of every input.
    const size_t named = 1 + (size + (size ? data[size - 1] : 0)) % (scratch.names.size() - 1);
    quorvel::ImageMeasure first;
    for (const size_t i : {size_t(0), named}) {
        const quorvel::ImageHeader header = reader.readHeader(scratch.names[i]);
        if (header.readable && (header.pixelsHigh <= 0 || header.pixelsWide <= 0))
            std::abort(); // a readable header has a size
        if (!header.readable && (header.pixelsHigh != 0 || header.colourSpaceName))
            std::abort(); // an unreadable one has nothing
        // A recorded resolution is a number; a tiny one snaps to 0, which
        // the measure takes as no physical size.
        if (header.verticalDpi && !(std::isfinite(*header.verticalDpi) && *header.verticalDpi >= 0.0))
            std::abort();
        const quorvel::ImageMeasure measure = quorvel::measureFromHeader(header);
        if (!std::isfinite(measure.heightPoints) || measure.heightPoints < 0.0f)
            std::abort();
        // The measure comes from the bytes, not from the name.
        if (i == 0)
            first = measure;
        else if (!sameMeasure(first, measure))
            std::abort();
    }
    return 0;
}
