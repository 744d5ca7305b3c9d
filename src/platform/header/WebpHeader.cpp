#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include <cstring>
#include <vector>

#include <webp/decode.h>

namespace quorvel::platform::header {
namespace {

constexpr size_t headerBytes = 4096;       // RIFF header, VP8X and the frame header
constexpr uint32_t maxExifBytes = 256 * 1024;
constexpr int maxChunks = 1024;            // a hostile file cannot keep us walking
constexpr uint8_t exifFlag = 0x08;

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The EXIF chunk of an extended file lies after the image data: walk the
// chunk headers to it, reading nothing else.
std::optional<double> webpExifDpi(const HeaderFile& file)
{
    int64_t offset = 12;
    for (int i = 0; i < maxChunks && offset + 8 <= file.size(); ++i) {
        unsigned char chunk[8];
        if (file.readAt(offset, chunk, sizeof chunk) != sizeof chunk)
            return std::nullopt;
        const uint32_t size = littleEndian32(chunk + 4);
        if (std::memcmp(chunk, "EXIF", 4) == 0) {
            if (size > maxExifBytes || offset + 8 + size > file.size())
                return std::nullopt;
            std::vector<unsigned char> exif(size);
            if (file.readAt(offset + 8, exif.data(), size) != size)
                return std::nullopt;
            return exifVerticalDpi(exif.data(), exif.size());
        }
        offset += 8 + int64_t(size) + (size & 1);
    }
    return std::nullopt;
}

} // namespace

ImageHeader readWebpHeader(HeaderFile& file, ImageDetails* details)
{
    ImageHeader header;
    unsigned char start[headerBytes];
    const size_t n = file.readAt(0, start, sizeof start);
    WebPBitstreamFeatures features {};
    if (WebPGetFeatures(start, n, &features) != VP8_STATUS_OK || features.width <= 0 || features.height <= 0)
        return header;
    header.readable = true;
    header.pixelsHigh = features.height;
    header.pixelsWide = features.width;
    header.colourSpaceName = std::string(colourspace::rgb); // always RGB, with or without alpha
    const bool extended = n >= 30 && std::memcmp(start + 12, "VP8X", 4) == 0;
    if (extended && (start[20] & exifFlag))
        header.verticalDpi = webpExifDpi(file);
    if (details)
        webpDetails(*details, file, features.has_alpha, extended);
    return header;
}

} // namespace quorvel::platform::header
