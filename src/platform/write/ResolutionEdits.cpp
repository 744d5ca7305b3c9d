#include "platform/write/ResolutionEdits.h"

#include "platform/header/FormatReaders.h"
#include "platform/header/Jp2Boxes.h"
#include "platform/write/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace quorvel::platform::write {

namespace {

bool startsWith(const unsigned char* data, size_t size, const char* magic, size_t length, size_t at = 0)
{
    return size >= at + length && std::memcmp(data + at, magic, length) == 0;
}

ResolutionPlan refused(SetDpiRefusal why)
{
    ResolutionPlan plan;
    plan.refusal = why;
    return plan;
}

} // namespace

ResolutionPlan planResolution(const unsigned char* data, size_t size, int dpi)
{
    if (dpi < 1 || dpi > maxSettableDpi)
        return refused(SetDpiRefusal::DpiOutOfRange);
    ResolutionPlan plan;
    if (startsWith(data, size, "\xFF\xD8\xFF", 3))
        plan = detail::planJpeg(data, size, dpi);
    else if (startsWith(data, size, "\x89PNG\r\n\x1A\n", 8))
        plan = detail::planPng(data, size, dpi);
    else if (startsWith(data, size, "II*\0", 4) || startsWith(data, size, "MM\0*", 4)
             || startsWith(data, size, "II+\0", 4) || startsWith(data, size, "MM\0+", 4))
        plan = detail::planTiff(data, size, dpi);
    else if (startsWith(data, size, "RIFF", 4) && startsWith(data, size, "WEBP", 4, 8))
        plan = detail::planWebp(data, size, dpi);
    else if (startsWith(data, size, "8BPS", 4))
        plan = detail::planPsd(data, size, dpi);
    else if (header::looksLikeBmp(data, size))
        plan = detail::planBmp(data, size, dpi);
    else if (header::jp2::hasSignature(data, size))
        plan = detail::planJp2(data, size, dpi);
    else
        return refused(SetDpiRefusal::NoResolutionField); // GIF and everything the helper reads
    if (plan.refusal == SetDpiRefusal::None && !normaliseEdits(plan.edits, size))
        plan.refusal = SetDpiRefusal::Damaged; // fields that overlap: offsets that lie
    if (plan.refusal != SetDpiRefusal::None)
        plan.edits.clear();
    return plan;
}

SetDpiRefusal refusalByFormat(const unsigned char* start, size_t size)
{
    if (startsWith(start, size, "\xFF\xD8\xFF", 3) || startsWith(start, size, "\x89PNG\r\n\x1A\n", 8)
        || startsWith(start, size, "II*\0", 4) || startsWith(start, size, "MM\0*", 4)
        || startsWith(start, size, "II+\0", 4) || startsWith(start, size, "MM\0+", 4)
        || startsWith(start, size, "8BPS", 4))
        return SetDpiRefusal::None;
    if (startsWith(start, size, "RIFF", 4) && startsWith(start, size, "WEBP", 4, 8))
        return startsWith(start, size, "VP8X", 4, 12) ? SetDpiRefusal::None : SetDpiRefusal::WebpWithoutExif;
    if (header::jp2::hasSignature(start, size))
        return SetDpiRefusal::None;
    if (header::looksLikeBmp(start, size))
        return size >= 18 && get32(start + 14, false) < 40 ? SetDpiRefusal::HeaderWithoutField : SetDpiRefusal::None;
    return SetDpiRefusal::NoResolutionField;
}

bool normaliseEdits(std::vector<ByteEdit>& edits, size_t size)
{
    std::stable_sort(edits.begin(), edits.end(), [](const ByteEdit& a, const ByteEdit& b) {
        return a.offset < b.offset || (a.offset == b.offset && a.removed < b.removed);
    });
    std::vector<ByteEdit> out;
    for (ByteEdit& e : edits) {
        if (e.offset > size || e.removed > size - e.offset)
            return false;
        if (!out.empty()) {
            const ByteEdit& last = out.back();
            if (last.offset == e.offset && last.removed == e.removed && last.inserted == e.inserted)
                continue; // two fields that share one value
            // Overlapping changes, or two insertions at one place (in which
            // order?), mean the structure's offsets lie.
            if (e.offset < last.offset + last.removed || (e.offset == last.offset && e.removed == 0 && last.removed == 0))
                return false;
        }
        out.push_back(std::move(e));
    }
    edits = std::move(out);
    return true;
}

std::vector<Piece> editedPieces(const unsigned char* data, size_t size, const std::vector<ByteEdit>& edits)
{
    std::vector<Piece> pieces;
    uint64_t at = 0;
    for (const ByteEdit& e : edits) {
        if (e.offset > at)
            pieces.push_back({data + at, size_t(e.offset - at)});
        if (!e.inserted.empty())
            pieces.push_back({e.inserted.data(), e.inserted.size()});
        at = e.offset + e.removed;
    }
    if (at < size)
        pieces.push_back({data + at, size_t(size - at)});
    return pieces;
}

namespace detail {

std::vector<unsigned char> photoshopResolutionRecord(int dpi)
{
    std::vector<unsigned char> record;
    const uint32_t fixed = uint32_t(dpi) << 16; // 16.16 pixels per inch
    put32(record, fixed, true);
    put16(record, 1, true); // shown per inch
    put16(record, 1, true); // width in inches
    put32(record, fixed, true);
    put16(record, 1, true);
    put16(record, 1, true);
    return record;
}

bool patchPhotoshopResources(const unsigned char* resources, size_t size, uint64_t base, int dpi,
                             std::vector<ByteEdit>& edits, bool* damaged)
{
    constexpr uint16_t resolutionInfo = 0x03ED;
    bool found = false;
    size_t at = 0;
    if (damaged)
        *damaged = false;
    while (at < size) {
        // Signature, id, the name as a Pascal string padded to even, the size.
        if (size - at < 12 || std::memcmp(resources + at, "8BIM", 4) != 0) {
            if (damaged)
                *damaged = true;
            break;
        }
        const uint16_t id = get16(resources + at + 4, true);
        const size_t nameBytes = (1 + size_t(resources[at + 6]) + 1) & ~size_t(1);
        if (size - at < 6 + nameBytes + 4) {
            if (damaged)
                *damaged = true;
            break;
        }
        const uint32_t length = get32(resources + at + 6 + nameBytes, true);
        const size_t data = at + 6 + nameBytes + 4;
        if (length > size - data) {
            if (damaged)
                *damaged = true;
            break;
        }
        if (id == resolutionInfo && length >= 16) {
            // Only the resolutions and their units change; the units of
            // width and height are left as they were entered.
            const std::vector<unsigned char> record = photoshopResolutionRecord(dpi);
            edits.push_back({base + data, 6, {record.begin(), record.begin() + 6}});
            edits.push_back({base + data + 8, 6, {record.begin() + 8, record.begin() + 14}});
            found = true;
        }
        at = data + length + (length & 1);
    }
    return found;
}

std::vector<unsigned char> exifBlockFor(int dpi)
{
    // Little-endian TIFF header, one directory of three entries, then the
    // two rationals.
    std::vector<unsigned char> b = {'I', 'I', 42, 0};
    put32(b, 8, false);
    put16(b, 3, false);
    const uint32_t values = 8 + 2 + 3 * 12 + 4;
    put16(b, 282, false), put16(b, 5, false), put32(b, 1, false), put32(b, values, false);
    put16(b, 283, false), put16(b, 5, false), put32(b, 1, false), put32(b, values + 8, false);
    put16(b, 296, false), put16(b, 3, false), put32(b, 1, false), put16(b, 2, false), put16(b, 0, false);
    put32(b, 0, false); // no further directory
    put32(b, uint32_t(dpi), false), put32(b, 1, false);
    put32(b, uint32_t(dpi), false), put32(b, 1, false);
    return b;
}

} // namespace detail

} // namespace quorvel::platform::write
