#include "platform/header/Jp2Boxes.h"

#include "platform/header/HeaderFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quorvel::platform::header::jp2 {
namespace {

constexpr unsigned char signature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
// Far more boxes than any real file puts ahead of its codestream or in its
// header: a hostile file cannot keep the walk going.
constexpr int maxTopLevelBoxes = 4096;
constexpr int maxChildBoxes = 256;

uint32_t big32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The box starting at `at` within a parent ending at `end`; empty when its
// header is cut short, its length is impossible or runs past `end`.
std::optional<Box> boxAt(const ReadAt& read, int64_t at, int64_t end)
{
    unsigned char head[16];
    if (end - at < 8 || read(at, head, 8) != 8)
        return std::nullopt;
    Box box;
    box.type = big32(head + 4);
    box.offset = at;
    box.headerBytes = 8;
    const uint32_t length = big32(head);
    if (length == 0) {
        box.length = end - at;
    } else if (length == 1) {
        if (end - at < 16 || read(at + 8, head + 8, 8) != 8)
            return std::nullopt;
        const uint64_t extended = uint64_t(big32(head + 8)) << 32 | big32(head + 12);
        if (extended < 16 || extended > uint64_t(end - at))
            return std::nullopt;
        box.headerBytes = 16;
        box.length = int64_t(extended);
    } else {
        if (length < 8 || int64_t(length) > end - at)
            return std::nullopt;
        box.length = length;
    }
    return box;
}

bool walkResolution(const ReadAt& read, const Box& res, Layout& layout)
{
    int64_t at = res.contentOffset();
    for (int i = 0; i < maxChildBoxes && at < res.end(); ++i) {
        const std::optional<Box> box = boxAt(read, at, res.end());
        if (!box)
            return false;
        const bool big = box->contentLength() >= int64_t(resolutionContentBytes);
        if (box->type == boxType("resc") && !layout.capture && big)
            layout.capture = box;
        else if (box->type == boxType("resd") && !layout.display && big)
            layout.display = box;
        at = box->end();
    }
    return at >= res.end();
}

bool walkHeader(const ReadAt& read, const Box& jp2h, Layout& layout)
{
    int64_t at = jp2h.contentOffset();
    bool first = true;
    for (int i = 0; i < maxChildBoxes && at < jp2h.end(); ++i) {
        const std::optional<Box> box = boxAt(read, at, jp2h.end());
        if (!box)
            return false;
        if (first) {
            if (box->type != boxType("ihdr") || box->contentLength() < 14)
                return false;
            layout.imageHeader = *box;
            first = false;
        } else if (box->type == boxType("bpcc") && !layout.bitDepths) {
            layout.bitDepths = box;
        } else if (box->type == boxType("colr") && !layout.colour) {
            layout.colour = box;
        } else if (box->type == boxType("pclr") && !layout.palette) {
            layout.palette = box;
        } else if (box->type == boxType("cdef") && !layout.channels) {
            layout.channels = box;
        } else if (box->type == boxType("res ") && !layout.resolution) {
            layout.resolution = box;
            if (!walkResolution(read, *box, layout))
                return false;
        }
        at = box->end();
    }
    return !first && at >= jp2h.end();
}

std::optional<Layout> walk(const ReadAt& read, int64_t size)
{
    unsigned char start[12];
    if (size < int64_t(sizeof start) || read(0, start, sizeof start) != sizeof start
        || !hasSignature(start, sizeof start))
        return std::nullopt;
    Layout layout;
    const std::optional<Box> fileType = boxAt(read, sizeof start, size);
    if (!fileType || fileType->type != boxType("ftyp") || fileType->contentLength() < 8)
        return std::nullopt;
    layout.fileType = *fileType;
    bool haveHeader = false;
    int64_t at = fileType->end();
    for (int i = 0; i < maxTopLevelBoxes && at < size; ++i) {
        const std::optional<Box> box = boxAt(read, at, size);
        if (!box)
            return std::nullopt;
        if (box->type == boxType("jp2h") && !haveHeader) {
            if (!walkHeader(read, *box, layout))
                return std::nullopt;
            layout.header = *box;
            haveHeader = true;
        } else if (box->type == boxType("jp2c")) {
            // The header comes first; a codestream without one is not a
            // JP2 file.
            if (!haveHeader)
                return std::nullopt;
            layout.codestream = *box;
            return layout;
        }
        at = box->end();
    }
    return std::nullopt;
}

} // namespace

bool hasSignature(const unsigned char* start, size_t size)
{
    return size >= sizeof signature && std::memcmp(start, signature, sizeof signature) == 0;
}

std::optional<Layout> walkBoxes(const ReadAt& read, int64_t size, UnreadableReason* why)
{
    std::optional<Layout> layout = walk(read, size);
    if (why)
        *why = layout ? UnreadableReason::None : UnreadableReason::Damaged;
    return layout;
}

std::optional<Layout> walkBoxes(const HeaderFile& file, UnreadableReason* why)
{
    return walkBoxes([&file](int64_t offset, void* out, size_t count) { return file.readAt(offset, out, count); },
                     file.size(), why);
}

std::optional<Layout> walkBoxes(const unsigned char* data, size_t size, UnreadableReason* why)
{
    const ReadAt read = [data, size](int64_t offset, void* out, size_t count) -> size_t {
        if (offset < 0 || uint64_t(offset) >= size)
            return 0;
        const size_t n = std::min(count, size - size_t(offset));
        std::memcpy(out, data + offset, n);
        return n;
    };
    return walkBoxes(read, int64_t(size), why);
}

ResolutionValues resolutionValues(const unsigned char* p)
{
    auto value = [](unsigned numerator, unsigned denominator, int exponent) -> std::optional<double> {
        if (numerator == 0 || denominator == 0)
            return std::nullopt;
        return double(numerator) / double(denominator) * std::pow(10.0, exponent);
    };
    const unsigned vn = unsigned(p[0]) << 8 | p[1];
    const unsigned vd = unsigned(p[2]) << 8 | p[3];
    const unsigned hn = unsigned(p[4]) << 8 | p[5];
    const unsigned hd = unsigned(p[6]) << 8 | p[7];
    return {value(vn, vd, int8_t(p[8])), value(hn, hd, int8_t(p[9]))};
}

} // namespace quorvel::platform::header::jp2
