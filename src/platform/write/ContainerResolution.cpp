#include "platform/write/ByteOrder.h"
#include "platform/write/ResolutionEdits.h"

#include <cmath>
#include <cstring>

// The writers of the formats whose resolution sits in one fixed place or one
// record: WebP (its EXIF chunk), layered documents and bitmaps.
namespace quorvel::platform::write::detail {

namespace {

constexpr int maxWebpChunks = 1024;

std::vector<unsigned char> little32(uint32_t value)
{
    std::vector<unsigned char> v;
    put32(v, value, false);
    return v;
}

} // namespace

// An extended file keeps EXIF in a chunk of its own: set in it, or, when it
// has none, a new one before any XMP chunk and the flag that says it is
// there. A simple file has nowhere to keep a resolution.
ResolutionPlan planWebp(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "WebP";
    if (size < 20) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const uint64_t riffSize = get32(data + 4, false);
    if (riffSize + 8 > size || riffSize < 12) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const size_t end = size_t(riffSize + 8); // bytes after the RIFF (rare) are copied as they are
    if (std::memcmp(data + 12, "VP8X", 4) != 0) {
        plan.refusal = SetDpiRefusal::WebpWithoutExif;
        return plan;
    }
    size_t at = 12;
    size_t vp8x = 0, exifAt = 0, xmpAt = 0;
    bool haveExif = false, haveXmp = false;
    for (int i = 0; i < maxWebpChunks && at < end; ++i) {
        if (end - at < 8) {
            plan.refusal = SetDpiRefusal::Damaged;
            return plan;
        }
        const uint32_t length = get32(data + at + 4, false);
        if (length > end - at - 8) {
            plan.refusal = SetDpiRefusal::Damaged;
            return plan;
        }
        if (std::memcmp(data + at, "VP8X", 4) == 0 && i == 0 && length >= 10)
            vp8x = at;
        else if (std::memcmp(data + at, "EXIF", 4) == 0 && !haveExif)
            haveExif = true, exifAt = at;
        else if (std::memcmp(data + at, "XMP ", 4) == 0 && !haveXmp)
            haveXmp = true, xmpAt = at;
        at += 8 + size_t(length) + (length & 1);
    }
    if (vp8x == 0 || at < end) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    if (haveExif) {
        const uint32_t length = get32(data + exifAt + 4, false);
        size_t block = exifAt + 8, blockBytes = length;
        if (blockBytes >= 6 && std::memcmp(data + block, "Exif\0\0", 6) == 0)
            block += 6, blockBytes -= 6;
        std::vector<ByteEdit> edits;
        switch (patchTiffStructure(data + block, blockBytes, block, dpi, true, edits)) {
        case TiffOutcome::Patched: break;
        case TiffOutcome::TooLarge: plan.refusal = SetDpiRefusal::TooLarge; return plan;
        default: plan.refusal = SetDpiRefusal::Damaged; return plan;
        }
        // A directory moved to the end of the block grows the chunk: its
        // length, and the file's, follow; an even growth keeps the padding.
        uint64_t grown = 0;
        for (ByteEdit& e : edits) {
            if (e.removed == 0) {
                if (e.inserted.size() & 1)
                    e.inserted.push_back(0);
                grown += e.inserted.size();
            }
        }
        if (grown > 0) {
            if (length + grown > 0x7FFFFFF0u || riffSize + grown > 0xFFFFFFF0u) {
                plan.refusal = SetDpiRefusal::TooLarge;
                return plan;
            }
            edits.push_back({exifAt + 4, 4, little32(uint32_t(length + grown))});
            edits.push_back({4, 4, little32(uint32_t(riffSize + grown))});
        }
        plan.edits = std::move(edits);
        return plan;
    }
    std::vector<unsigned char> chunk {'E', 'X', 'I', 'F'};
    const std::vector<unsigned char> exif = exifBlockFor(dpi); // of even length
    const std::vector<unsigned char> length = little32(uint32_t(exif.size()));
    chunk.insert(chunk.end(), length.begin(), length.end());
    chunk.insert(chunk.end(), exif.begin(), exif.end());
    if (riffSize + chunk.size() > 0xFFFFFFF0u) {
        plan.refusal = SetDpiRefusal::TooLarge;
        return plan;
    }
    plan.edits.push_back({vp8x + 8, 1, {uint8_t(data[vp8x + 8] | 0x08)}}); // "has EXIF"
    plan.edits.push_back({haveXmp ? xmpAt : end, 0, chunk});
    plan.edits.push_back({4, 4, little32(uint32_t(riffSize + chunk.size()))});
    return plan;
}

// The resolution record among the image resources, or a new one at their end.
ResolutionPlan planPsd(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "PSD";
    const uint16_t version = size >= 6 ? get16(data + 4, true) : 0;
    if (size < 26 + 4 || (version != 1 && version != 2)) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const uint32_t modeData = get32(data + 26, true);
    if (modeData > size - 30 || size - 30 - modeData < 4) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const size_t lengthAt = 30 + size_t(modeData);
    const uint32_t resourcesBytes = get32(data + lengthAt, true);
    const size_t resources = lengthAt + 4;
    if (resourcesBytes > size - resources) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    bool damaged = false;
    if (patchPhotoshopResources(data + resources, resourcesBytes, resources, dpi, plan.edits, &damaged))
        return plan;
    if (damaged || resourcesBytes > 0xFFFFFFFFu - 28) {
        plan.refusal = damaged ? SetDpiRefusal::Damaged : SetDpiRefusal::TooLarge;
        return plan;
    }
    std::vector<unsigned char> block {'8', 'B', 'I', 'M', 0x03, 0xED, 0, 0, 0, 0, 0, 16};
    const std::vector<unsigned char> record = photoshopResolutionRecord(dpi);
    block.insert(block.end(), record.begin(), record.end());
    std::vector<unsigned char> length;
    put32(length, uint32_t(resourcesBytes + block.size()), true);
    plan.edits.push_back({lengthAt, 4, length});
    plan.edits.push_back({resources + resourcesBytes, 0, block});
    return plan;
}

// The pixels-per-metre fields of the information header and its successors.
ResolutionPlan planBmp(const unsigned char* data, size_t size, int dpi)
{
    ResolutionPlan plan;
    plan.format = "BMP";
    if (size < 18) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const uint32_t infoSize = get32(data + 14, false);
    if (infoSize < 40) {
        plan.refusal = SetDpiRefusal::HeaderWithoutField;
        return plan;
    }
    if (size < 14 + 40) {
        plan.refusal = SetDpiRefusal::Damaged;
        return plan;
    }
    const uint32_t perMetre = uint32_t(std::lround(dpi / 0.0254));
    std::vector<unsigned char> fields = little32(perMetre);
    const std::vector<unsigned char> y = little32(perMetre);
    fields.insert(fields.end(), y.begin(), y.end());
    plan.edits.push_back({14 + 24, 8, fields});
    return plan;
}

} // namespace quorvel::platform::write::detail
