#include "Jp2NetpbmFiles.h"

#include <cstring>

namespace quorvel::test {
namespace {

void big(Bytes& b, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(uint8_t(value >> (8 * i)));
}

void append(Bytes& b, const Bytes& more)
{
    b.insert(b.end(), more.begin(), more.end());
}

Bytes box(const char* type, const Bytes& content, bool extended)
{
    Bytes b;
    if (extended) {
        big(b, 1, 4);
        b.insert(b.end(), type, type + 4);
        big(b, content.size() + 16, 8);
    } else {
        big(b, content.size() + 8, 4);
        b.insert(b.end(), type, type + 4);
    }
    append(b, content);
    return b;
}

Bytes resolution(const Jp2Recipe::Resolution& r)
{
    Bytes b;
    big(b, r.verticalNumerator, 2);
    big(b, r.verticalDenominator, 2);
    big(b, r.horizontalNumerator, 2);
    big(b, r.horizontalDenominator, 2);
    b.push_back(uint8_t(r.verticalExponent));
    b.push_back(uint8_t(r.horizontalExponent));
    return b;
}

// The start of a codestream: its marker, the image size marker segment and
// a little of what follows, then its end marker. Never decoded here.
Bytes codestream(const Jp2Recipe& r)
{
    Bytes b = {0xFF, 0x4F, 0xFF, 0x51};
    big(b, 38 + 3 * r.components, 2);
    big(b, 0, 2); // capabilities
    big(b, r.width, 4);
    big(b, r.height, 4);
    big(b, 0, 4);
    big(b, 0, 4);
    big(b, r.tileWide ? r.tileWide : r.width, 4);
    big(b, r.tileHigh ? r.tileHigh : r.height, 4);
    big(b, 0, 4);
    big(b, 0, 4);
    big(b, r.components, 2);
    for (uint16_t c = 0; c < r.components; ++c)
        b.insert(b.end(), {uint8_t(r.depth - 1), 1, 1});
    // A coding style and a quantisation segment, as every codestream has.
    b.insert(b.end(), {0xFF, 0x52, 0, 12, 0, 0, 0, 1, 0, 5, 4, 4, 0, 0});
    b.insert(b.end(), {0xFF, 0x5C, 0, 4, 0x40, 0x48});
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

} // namespace

Bytes jp2Box(const char* type, const Bytes& content)
{
    return box(type, content, false);
}

Bytes jp2Bytes(const Jp2Recipe& r, bool codestreamOnly)
{
    if (codestreamOnly)
        return codestream(r);
    const bool x = r.extendedLengths;
    Bytes out = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    append(out, box("ftyp", {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '}, false));

    Bytes header;
    Bytes ihdr;
    big(ihdr, r.height, 4);
    big(ihdr, r.width, 4);
    big(ihdr, r.components, 2);
    ihdr.insert(ihdr.end(), {uint8_t(r.depth - 1), 7, 0, 0});
    append(header, box("ihdr", ihdr, x));
    Bytes colr;
    if (!r.profile.empty()) {
        colr = {2, 0, 0};
        append(colr, r.profile);
    } else if (r.enumeratedSpace) {
        colr = {1, 0, 0};
        big(colr, *r.enumeratedSpace, 4);
    }
    if (!colr.empty())
        append(header, box("colr", colr, x));
    if (!r.channelTypes.empty()) {
        Bytes cdef;
        big(cdef, r.channelTypes.size(), 2);
        for (size_t i = 0; i < r.channelTypes.size(); ++i) {
            big(cdef, i, 2);
            big(cdef, r.channelTypes[i], 2);
            big(cdef, r.channelTypes[i] ? 0 : i + 1, 2);
        }
        append(header, box("cdef", cdef, x));
    }
    if (r.capture || r.display) {
        Bytes res;
        if (r.capture)
            append(res, box("resc", resolution(*r.capture), x));
        if (r.display)
            append(res, box("resd", resolution(*r.display), x));
        append(header, box("res ", res, x));
    }
    append(out, box("jp2h", header, x));
    const Bytes stream = codestream(r);
    if (r.codestreamRunsToEnd) {
        big(out, 0, 4);
        out.insert(out.end(), {'j', 'p', '2', 'c'});
        append(out, stream);
    } else {
        append(out, box("jp2c", stream, x));
    }
    return out;
}

size_t j2kSizEnd(const Bytes& file)
{
    for (size_t i = 0; i + 6 <= file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0x4F && file[i + 2] == 0xFF && file[i + 3] == 0x51)
            return i + 4 + (size_t(file[i + 4]) << 8 | file[i + 5]);
    }
    return 0;
}

Bytes netpbmBytes(const std::string& header, size_t rasterBytes)
{
    Bytes b(header.begin(), header.end());
    for (size_t i = 0; i < rasterBytes; ++i)
        b.push_back(uint8_t(i * 37));
    return b;
}

} // namespace quorvel::test
