#include "platform/write/ByteOrder.h"
#include "platform/write/ResolutionEdits.h"

#include <cstring>

namespace quorvel::platform::write::detail {

// The resolution of a JPEG file lives in up to three places, all set alike:
// the JFIF density, the EXIF block's first directory and the Photoshop
// resolution record. Only marker segments ahead of the first scan are
// looked at; the entropy-coded data is never parsed, only copied.
ResolutionPlan planJpeg(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "JPEG";
    auto damaged = [&plan] {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    };
    bool jfif = false, exif = false, exifSeen = false;
    size_t at = 2;
    for (;;) {
        if (at >= size || data[at] != 0xFF)
            return damaged();
        while (at < size && data[at] == 0xFF) // fill bytes
            ++at;
        if (at >= size)
            return damaged();
        const unsigned char marker = data[at++];
        if (marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (marker == 0xD9 || marker == 0x00)
            return damaged(); // the file ends, or a stray byte, before any scan
        if (size - at < 2)
            return damaged();
        const size_t length = get16(data + at, true);
        if (length < 2 || length > size - at)
            return damaged();
        const size_t body = at + 2, bodyBytes = length - 2;
        if (marker == 0xDA)
            break; // the scan: the rest is copied as it is
        if (marker == 0xE0 && bodyBytes >= 14 && std::memcmp(data + body, "JFIF\0", 5) == 0) {
            std::vector<unsigned char> density {1}; // dots per inch
            put16(density, uint16_t(dpi), true);
            put16(density, uint16_t(dpi), true);
            plan.edits.push_back({body + 7, 5, density});
            jfif = true;
        } else if (marker == 0xE1 && !exifSeen && bodyBytes >= 6) {
            // Only the first APP1 that holds EXIF is read, as the reader does.
            if (std::memcmp(data + body, "Exif\0\0", 6) == 0) {
                exifSeen = true;
                switch (patchTiffStructure(data + body + 6, bodyBytes - 6, body + 6, dpi, false, plan.edits)) {
                case TiffOutcome::Patched: exif = true; break;
                case TiffOutcome::Missing: break; // no resolution in it: the JFIF density says it
                default: return damaged();
                }
            }
        } else if (marker == 0xED && bodyBytes >= 14 && std::memcmp(data + body, "Photoshop 3.0\0", 14) == 0) {
            patchPhotoshopResources(data + body + 14, bodyBytes - 14, body + 14, dpi, plan.edits);
        }
        at = body + bodyBytes;
    }
    // Neither JFIF nor EXIF records it: a JFIF segment right after the start
    // of image says it to every reader.
    if (!jfif && !exif) {
        std::vector<unsigned char> segment {0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 2, 1};
        put16(segment, uint16_t(dpi), true);
        put16(segment, uint16_t(dpi), true);
        segment.push_back(0); // no thumbnail
        segment.push_back(0);
        plan.edits.push_back({2, 0, segment});
    }
    return plan;
}

} // namespace quorvel::platform::write::detail
