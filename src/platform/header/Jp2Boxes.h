#pragma once

// The box structure of a JPEG 2000 (JP2) file: where the boxes that the
// header reader and a resolution writer need lie, each checked to fit in
// its parent and in the file. Nothing is allocated by what a box claims.

#include "check/ImageMeasure.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvel::platform::header {

class HeaderFile;

namespace jp2 {

constexpr uint32_t boxType(const char (&name)[5])
{
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 | uint32_t(uint8_t(name[2])) << 8
        | uint32_t(uint8_t(name[3]));
}

// One box: its type, where its own header starts, the size of that header
// (8 bytes, or 16 with an extended length) and its whole length, header
// included. A box whose length field is 0 runs to the end of its parent.
struct Box {
    uint32_t type = 0;
    int64_t offset = 0;
    int64_t headerBytes = 0;
    int64_t length = 0;

    int64_t contentOffset() const { return offset + headerBytes; }
    int64_t contentLength() const { return length - headerBytes; }
    int64_t end() const { return offset + length; }
};

struct Layout {
    Box fileType;    // 'ftyp', right after the signature
    Box header;      // 'jp2h', the header superbox
    Box imageHeader; // 'ihdr', the first box in 'jp2h' (14 bytes of content at least)
    std::optional<Box> bitDepths; // 'bpcc'
    std::optional<Box> colour;    // the first 'colr'
    std::optional<Box> palette;   // 'pclr'
    std::optional<Box> channels;  // 'cdef'
    std::optional<Box> resolution; // 'res ', a superbox in 'jp2h'
    std::optional<Box> capture;    // 'resc' in 'res ' (10 bytes of content at least)
    std::optional<Box> display;    // 'resd' in 'res ' (10 bytes of content at least)
    Box codestream; // the first 'jp2c', after 'jp2h'
};

// Reads up to `count` bytes at `offset`; fewer at the end, 0 on error.
using ReadAt = std::function<size_t(int64_t offset, void* out, size_t count)>;

// The signature box's 12 bytes, which open every JP2 file.
bool hasSignature(const unsigned char* start, size_t size);

// Walks the boxes of a JP2 file of `size` bytes: the signature, 'ftyp',
// then the top-level boxes up to the first codestream, descending into
// 'jp2h' and its 'res ' only. Empty, with `why` set to Damaged, when the
// signature or 'ftyp' is missing, a length runs past its parent or the end
// of the file, 'ihdr' or the codestream is missing, or the walk meets more
// boxes than any real file has.
std::optional<Layout> walkBoxes(const ReadAt& read, int64_t size, UnreadableReason* why = nullptr);
std::optional<Layout> walkBoxes(const HeaderFile& file, UnreadableReason* why = nullptr);
std::optional<Layout> walkBoxes(const unsigned char* data, size_t size, UnreadableReason* why = nullptr);

// The content of a 'resc' or 'resd' box: VR_N, VR_D, HR_N, HR_D (16 bits
// each), VR_E, HR_E (signed 8 bits); each value is N / D * 10^E grid points
// per metre. An axis with a zero numerator or denominator records nothing.
constexpr size_t resolutionContentBytes = 10;
struct ResolutionValues {
    std::optional<double> verticalPerMetre;
    std::optional<double> horizontalPerMetre;
};
ResolutionValues resolutionValues(const unsigned char* content);

} // namespace jp2
} // namespace quorvel::platform::header
