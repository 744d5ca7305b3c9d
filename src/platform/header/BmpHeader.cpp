#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"

#include <bit>
#include <cstring>
#include <limits>
#include <vector>

namespace quorvel::platform::header {
namespace {

// A 14-byte file header, then an information header whose size names its
// version: core (12), OS/2 (16, 64), info (40), with masks (52, 56), V4
// (108), V5 (124).
constexpr int64_t fileHeaderBytes = 14;
constexpr uint32_t maxProfileBytes = 4 * 1024 * 1024;

enum Compression : uint32_t {
    Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, Jpeg = 4, Png = 5, AlphaBitFields = 6,
    Cmyk = 11, CmykRle8 = 12, CmykRle4 = 13
};

uint16_t little16(const unsigned char* p)
{
    return uint16_t(p[0] | p[1] << 8);
}

uint32_t little32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool knownHeaderSize(uint32_t size)
{
    return size == 12 || size == 16 || size == 40 || size == 52 || size == 56 || size == 64 || size == 108
        || size == 124;
}

std::optional<double> perMetre(int32_t value)
{
    if (value <= 0) // 0 records nothing
        return std::nullopt;
    return dotsPerInch(value, ResolutionUnit::Metre);
}

// A palette of greys only is a greyscale image, any other an RGB one.
bool greyPalette(const HeaderFile& file, int64_t at, int entries, int entryBytes)
{
    unsigned char palette[256 * 4];
    const size_t bytes = size_t(entries) * entryBytes;
    if (entries <= 0 || file.readAt(at, palette, bytes) != bytes)
        return false;
    for (int i = 0; i < entries; ++i) {
        const unsigned char* c = palette + i * entryBytes;
        if (c[0] != c[1] || c[1] != c[2])
            return false;
    }
    return true;
}

} // namespace

// Sniffed as "BM" followed by a known information header size.
bool looksLikeBmp(const unsigned char* p, size_t n)
{
    return n >= 18 && p[0] == 'B' && p[1] == 'M' && knownHeaderSize(little32(p + 14));
}

ImageHeader readBmpHeader(HeaderFile& file, ImageDetails* details)
{
    unsigned char head[fileHeaderBytes + 124] = {};
    const size_t n = file.readAt(0, head, sizeof head);
    if (n < fileHeaderBytes + 4)
        return unreadable(UnreadableReason::Damaged);
    const uint32_t pixelsAt = little32(head + 10);
    const uint32_t infoSize = little32(head + 14);
    const unsigned char* info = head + fileHeaderBytes;
    if (!knownHeaderSize(infoSize) || n < size_t(fileHeaderBytes) + infoSize)
        return unreadable(UnreadableReason::Damaged);

    const bool core = infoSize == 12;
    const int64_t width = core ? little16(info + 4) : int32_t(little32(info + 4));
    int64_t height = core ? little16(info + 6) : int32_t(little32(info + 8));
    const int bitCount = little16(info + (core ? 10 : 14));
    const uint32_t compression = infoSize >= 20 ? little32(info + 16) : Rgb;
    if (height < 0) // stored top-down
        height = -height;
    const bool embedded = compression == Jpeg || compression == Png;
    const bool depthKnown = bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 16
        || bitCount == 24 || bitCount == 32 || (embedded && bitCount == 0);
    if (width <= 0 || height == 0 || !depthKnown || compression > CmykRle4 || (compression > AlphaBitFields && compression < Cmyk))
        return unreadable(UnreadableReason::Damaged);
    // The format keeps its pixels within 4 GiB (its size fields are 32-bit),
    // so a larger claim is not a real file.
    const uint64_t rowBytes = (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
    if (height > std::numeric_limits<int32_t>::max() || width > std::numeric_limits<int32_t>::max()
        || rowBytes * uint64_t(height) > std::numeric_limits<uint32_t>::max())
        return unreadable(UnreadableReason::TooLarge);
    // The pixels start after the headers and before the end of the file.
    if (pixelsAt < fileHeaderBytes + infoSize || int64_t(pixelsAt) >= file.size())
        return unreadable(UnreadableReason::Damaged);

    // A palette comes with up to 8 bits per pixel: its used entries, or all
    // that the depth allows.
    const int entryBytes = core ? 3 : 4;
    const int64_t paletteAt = fileHeaderBytes + infoSize + (infoSize == 40 && compression == BitFields ? 12
                                                            : infoSize == 40 && compression == AlphaBitFields ? 16
                                                                                                             : 0);
    bool grey = false;
    if (bitCount >= 1 && bitCount <= 8) {
        const uint32_t used = infoSize >= 36 ? little32(info + 32) : 0;
        int entries = used > 0 && used < (1u << bitCount) ? int(used) : 1 << bitCount;
        // Some writers keep a shorter palette than they say: the pixels start where they start.
        if (paletteAt + int64_t(entries) * entryBytes > int64_t(pixelsAt))
            entries = int((int64_t(pixelsAt) - paletteAt) / entryBytes);
        grey = greyPalette(file, paletteAt, entries, entryBytes);
    }

    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = int32_t(height);
    header.pixelsWide = int32_t(width);
    const bool cmyk = compression == Cmyk || compression == CmykRle8 || compression == CmykRle4;
    header.colourSpaceName = std::string(cmyk ? colourspace::cmyk : grey ? colourspace::grayscale : colourspace::rgb);
    // Pixels per metre, from the info header on; the core and short OS/2
    // headers record none.
    const bool hasResolution = infoSize >= 40;
    if (hasResolution)
        header.verticalDpi = perMetre(int32_t(little32(info + 28)));
    if (!details)
        return header;

    details->pages = 1;
    // Masks: in the header from 52 bytes on, else right after a 40-byte one.
    uint32_t masks[4] = {};
    if (compression == BitFields || compression == AlphaBitFields || infoSize >= 52) {
        unsigned char m[16] = {};
        const int64_t masksAt = fileHeaderBytes + 40;
        file.readAt(masksAt, m, infoSize >= 56 || compression == AlphaBitFields ? 16 : 12);
        for (int i = 0; i < 4; ++i)
            masks[i] = little32(m + 4 * i);
    }
    const bool useMasks = compression == BitFields || compression == AlphaBitFields;
    if (bitCount == 16)
        details->bitsPerSample = useMasks && masks[0] ? std::popcount(masks[0]) : 5;
    else
        details->bitsPerSample = bitCount <= 8 ? bitCount : 8;
    details->alpha = (bitCount == 16 || bitCount == 32) && (useMasks || infoSize >= 56) && masks[3] != 0;
    if (hasResolution)
        setResolution(*details, ResolutionSource::Other, perMetre(int32_t(little32(info + 24))), header.verticalDpi);
    // V5: a profile embedded at an offset from the start of the header.
    if (infoSize == 124 && std::memcmp(info + 56, "DEBM", 4) == 0) { // 'MBED', stored little-endian
        const uint32_t offset = little32(info + 112);
        const uint32_t size = little32(info + 116);
        const int64_t at = fileHeaderBytes + int64_t(offset);
        details->hasProfile = true;
        details->profileModel = ColourModel::Other;
        if (size > 0 && size <= maxProfileBytes && at + int64_t(size) <= file.size()) {
            std::vector<unsigned char> profile(size);
            if (file.readAt(at, profile.data(), size) == size)
                setProfile(*details, profile.data(), profile.size());
        }
    }
    return header;
}

} // namespace quorvel::platform::header
