#include "platform/write/ByteOrder.h"
#include "platform/write/ResolutionEdits.h"

#include <cmath>
#include <cstring>

#include <zlib.h>

namespace quorvel::platform::write::detail {

// pHYs in pixels per metre: the nearest whole value is within 0.013 dpi of
// the asked one, so it reads back as exactly that after the reader's snapping.
ResolutionPlan planPng(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "PNG";
    const uint32_t perMetre = uint32_t(std::lround(dpi / 0.0254));
    std::vector<unsigned char> chunk;
    put32(chunk, 9, true);
    const size_t typeAt = chunk.size();
    chunk.insert(chunk.end(), {'p', 'H', 'Y', 's'});
    put32(chunk, perMetre, true);
    put32(chunk, perMetre, true);
    chunk.push_back(1); // per metre
    put32(chunk, uint32_t(crc32(crc32(0, nullptr, 0), chunk.data() + typeAt, uInt(chunk.size() - typeAt))), true);

    size_t at = 8;
    bool first = true;
    for (;;) {
        if (size - at < 12) {
            plan.refusal = SetDpiRefusal::Damaged; // no image data
            return plan;
        }
        const uint32_t length = get32(data + at, true);
        const unsigned char* type = data + at + 4;
        if (length > 0x7FFFFFFFu || length > size - at - 12 || (first && std::memcmp(type, "IHDR", 4) != 0)) {
            plan.refusal = SetDpiRefusal::Damaged;
            return plan;
        }
        first = false;
        if (std::memcmp(type, "pHYs", 4) == 0) {
            if (length != 9) {
                plan.refusal = SetDpiRefusal::Damaged;
                return plan;
            }
            plan.edits.push_back({at, 21, chunk});
            return plan;
        }
        if (std::memcmp(type, "IEND", 4) == 0) {
            plan.refusal = SetDpiRefusal::Damaged; // no image data
            return plan;
        }
        if (std::memcmp(type, "IDAT", 4) == 0) {
            plan.edits.push_back({at, 0, chunk});
            return plan;
        }
        at += 12 + size_t(length);
    }
}

} // namespace quorvel::platform::write::detail
