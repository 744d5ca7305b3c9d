#pragma once

// JPEG 2000 and Netpbm files laid out byte by byte: the fields these tests
// need (resolution boxes, channel definitions, comments between tokens) are
// not all written by any library here.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

using Bytes = std::vector<unsigned char>;

struct Jp2Recipe {
    uint32_t width = 20;
    uint32_t height = 13;
    uint16_t components = 3;
    uint8_t depth = 8;
    std::optional<uint32_t> enumeratedSpace = 16; // colr by enumeration: 16 sRGB, 17 grey, 12 CMYK...
    Bytes profile;                                // colr by a restricted profile, in its place, when not empty
    struct Resolution {
        uint16_t verticalNumerator, verticalDenominator, horizontalNumerator, horizontalDenominator;
        int8_t verticalExponent, horizontalExponent;
    };
    std::optional<Resolution> capture; // 'resc'
    std::optional<Resolution> display; // 'resd'
    std::vector<uint16_t> channelTypes; // a 'cdef' box with these types when not empty
    uint32_t tileWide = 0;              // 0: a single tile
    uint32_t tileHigh = 0;
    bool extendedLengths = false;       // the header boxes with 16-byte headers
    bool codestreamRunsToEnd = true;    // its length field 0, as writers leave it
};
// The file, or with `codestreamOnly` the bare codestream.
Bytes jp2Bytes(const Jp2Recipe& recipe, bool codestreamOnly = false);

// A box of the given type around `content`.
Bytes jp2Box(const char* type, const Bytes& content);

// Where the codestream's image size marker segment ends.
size_t j2kSizEnd(const Bytes& file);

// A Netpbm header as written, then `rasterBytes` of pixel data.
Bytes netpbmBytes(const std::string& header, size_t rasterBytes = 64);

} // namespace quorvel::test
