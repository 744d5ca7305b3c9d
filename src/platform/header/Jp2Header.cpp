#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"
#include "platform/header/Jp2Boxes.h"

#include "check/Resolution.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace quorvel::platform::header {
namespace {

constexpr uint32_t maxProfileBytes = 4 * 1024 * 1024;
constexpr int maxComponents = 16384;
constexpr int maxDepth = 38;
// A tile's index is 16 bits wide: a codestream cannot hold more tiles.
constexpr uint64_t maxTiles = 65535;
constexpr size_t channelEntriesRead = 64;

uint16_t big16(const unsigned char* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

uint32_t big32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// The image and tile size marker that follows the start of a codestream.
struct Siz {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    int firstDepth = 0;
};

// The codestream's main header from `at` (its start-of-codestream marker)
// to `end`: every size checked, the whole marker segment within `end`.
std::optional<Siz> readSiz(const HeaderFile& file, int64_t at, int64_t end, UnreadableReason& why)
{
    why = UnreadableReason::Damaged;
    unsigned char m[45];
    if (end - at < int64_t(sizeof m) || file.readAt(at, m, sizeof m) != sizeof m)
        return std::nullopt;
    if (big16(m) != 0xFF4F || big16(m + 2) != 0xFF51)
        return std::nullopt;
    const uint16_t length = big16(m + 4);
    const uint32_t x = big32(m + 8), y = big32(m + 12), xOffset = big32(m + 16), yOffset = big32(m + 20);
    const uint32_t tileWide = big32(m + 24), tileHigh = big32(m + 28);
    const uint32_t tileX = big32(m + 32), tileY = big32(m + 36);
    const int components = big16(m + 40);
    if (components < 1 || components > maxComponents || length != 38 + 3 * components
        || int64_t(length) > end - at - 4)
        return std::nullopt;
    if (x <= xOffset || y <= yOffset || tileWide == 0 || tileHigh == 0 || tileX > xOffset || tileY > yOffset
        || uint64_t(tileX) + tileWide <= xOffset || uint64_t(tileY) + tileHigh <= yOffset)
        return std::nullopt;
    const uint64_t tilesAcross = (uint64_t(x - tileX) + tileWide - 1) / tileWide;
    const uint64_t tilesDown = (uint64_t(y - tileY) + tileHigh - 1) / tileHigh;
    if (tilesAcross * tilesDown > maxTiles)
        return std::nullopt;
    const int depth = (m[42] & 0x7F) + 1;
    if (depth > maxDepth || m[43] == 0 || m[44] == 0)
        return std::nullopt;
    Siz siz;
    siz.width = x - xOffset;
    siz.height = y - yOffset;
    siz.components = components;
    siz.firstDepth = depth;
    if (siz.width > uint32_t(std::numeric_limits<int32_t>::max())
        || siz.height > uint32_t(std::numeric_limits<int32_t>::max())) {
        why = UnreadableReason::TooLarge;
        return std::nullopt;
    }
    why = UnreadableReason::None;
    return siz;
}

enum class Model { Grey, Rgb, Cmyk, Lab, Other };

struct Colour {
    Model model = Model::Other;
    std::string otherName = othername::multiband;
};

int colourChannels(Model model, int bands)
{
    switch (model) {
    case Model::Grey: return 1;
    case Model::Rgb:
    case Model::Lab: return 3;
    case Model::Cmyk: return 4;
    case Model::Other: break;
    }
    return bands;
}

// A codestream alone says nothing of its colours: as its decoder takes
// them, one or two components are grey, three or four RGB.
Colour byComponents(int bands)
{
    return {bands <= 2 ? Model::Grey : bands <= 4 ? Model::Rgb : Model::Other};
}

// The enumerated colour spaces of the file format and its extensions.
Colour enumerated(uint32_t space)
{
    switch (space) {
    case 0:  // bi-level
    case 15: // bi-level, second form
    case 17: return {Model::Grey};
    case 1:  // YCbCr, in their three forms, and the video YPbPr ones:
    case 3:  // encodings of RGB, decoded to it
    case 4:
    case 9:  // PhotoYCC
    case 16: // sRGB
    case 18: // sYCC
    case 20: // e-sRGB
    case 21: // ROMM-RGB
    case 22:
    case 23:
    case 24: return {Model::Rgb}; // e-sYCC
    case 12:
    case 13: return {Model::Cmyk}; // CMYK, YCCK
    case 14: return {Model::Lab};
    case 11: return {Model::Other, "CMY"};
    case 19: return {Model::Other, "CIEJab"};
    default: return {};
    }
}

Colour fromProfileSpace(const unsigned char* signature)
{
    if (std::memcmp(signature, "GRAY", 4) == 0)
        return {Model::Grey};
    if (std::memcmp(signature, "RGB ", 4) == 0)
        return {Model::Rgb};
    if (std::memcmp(signature, "CMYK", 4) == 0)
        return {Model::Cmyk};
    if (std::memcmp(signature, "Lab ", 4) == 0)
        return {Model::Lab};
    return {};
}

// As the loader helper names what libvips decodes: up to 16 bits a plain
// name, more a 32-bit variant; a band count the model cannot have is
// Multiband.
std::string colourSpaceName(const Colour& colour, int bands, int bits)
{
    switch (colour.model) {
    case Model::Grey:
        if (bands > 2)
            return othername::multiband;
        return bits > 16 ? depthVariantName("Gray", 32, false) : std::string(colourspace::grayscale);
    case Model::Rgb:
        if (bands < 3 || bands > 4)
            return othername::multiband;
        return bits > 16 ? depthVariantName("RGB", 32, false) : std::string(colourspace::rgb);
    case Model::Cmyk:
        if (bands < 4 || bands > 5)
            return othername::multiband;
        return std::string(colourspace::cmyk);
    case Model::Lab: return othername::lab;
    case Model::Other: break;
    }
    return colour.otherName;
}

struct ColourBox {
    Colour colour;
    bool hasProfile = false;
    int64_t profileAt = 0;
    int64_t profileBytes = 0;
};

// The first colour box ('colr'): an enumerated space, or a profile whose
// header names the space. Without one, or with a method not known here,
// the components decide.
ColourBox readColour(const HeaderFile& file, const jp2::Layout& layout, int bands)
{
    ColourBox found;
    found.colour = byComponents(bands);
    if (!layout.colour || layout.colour->contentLength() < 3)
        return found;
    unsigned char c[7];
    const int64_t at = layout.colour->contentOffset();
    const size_t n = file.readAt(at, c, size_t(std::min<int64_t>(sizeof c, layout.colour->contentLength())));
    if (n < 3)
        return found;
    const int method = c[0];
    if (method == 1 && n >= 7) {
        found.colour = enumerated(big32(c + 3));
    } else if (method == 2 || method == 3) {
        found.hasProfile = true;
        found.profileAt = at + 3;
        found.profileBytes = layout.colour->contentLength() - 3;
        unsigned char head[20];
        if (found.profileBytes >= int64_t(sizeof head) && file.readAt(found.profileAt, head, sizeof head) == sizeof head)
            found.colour = fromProfileSpace(head + 16);
        else
            found.colour = {};
    }
    return found;
}

// The channel definitions name opacity channels; without them, components
// beyond the colour's are taken as alpha, as the decoder does.
bool hasAlpha(const HeaderFile& file, const jp2::Layout& layout, Model model, int bands)
{
    if (layout.channels && layout.channels->contentLength() >= 2) {
        unsigned char count[2];
        if (file.readAt(layout.channels->contentOffset(), count, 2) != 2)
            return false;
        const size_t entries = std::min<size_t>(
            {big16(count), channelEntriesRead, size_t((layout.channels->contentLength() - 2) / 6)});
        unsigned char e[channelEntriesRead * 6];
        if (file.readAt(layout.channels->contentOffset() + 2, e, entries * 6) != entries * 6)
            return false;
        for (size_t i = 0; i < entries; ++i) {
            const uint16_t type = big16(e + 6 * i + 2);
            if (type == 1 || type == 2) // opacity, premultiplied opacity
                return true;
        }
        return false;
    }
    return bands > colourChannels(model, bands);
}

// The capture resolution counts when the file records one, else the
// display resolution.
jp2::ResolutionValues readResolution(const HeaderFile& file, const jp2::Layout& layout)
{
    for (const std::optional<jp2::Box>& box : {layout.capture, layout.display}) {
        unsigned char content[jp2::resolutionContentBytes];
        if (!box || file.readAt(box->contentOffset(), content, sizeof content) != sizeof content)
            continue;
        const jp2::ResolutionValues values = jp2::resolutionValues(content);
        if (values.verticalPerMetre)
            return values;
    }
    return {};
}

std::optional<double> perMetre(std::optional<double> value)
{
    if (!value)
        return std::nullopt;
    return dotsPerInch(*value, ResolutionUnit::Metre);
}

} // namespace

bool looksLikeJ2k(const unsigned char* p, size_t n)
{
    return n >= 4 && p[0] == 0xFF && p[1] == 0x4F && p[2] == 0xFF && p[3] == 0x51;
}

ImageHeader readJp2Header(HeaderFile& file, ImageDetails* details)
{
    UnreadableReason why = UnreadableReason::None;
    const std::optional<jp2::Layout> layout = jp2::walkBoxes(file, &why);
    if (!layout)
        return unreadable(why);
    // Height, width, components, bits per component, compression type.
    unsigned char ihdr[12];
    if (file.readAt(layout->imageHeader.contentOffset(), ihdr, sizeof ihdr) != sizeof ihdr)
        return unreadable(UnreadableReason::Damaged);
    const int components = big16(ihdr + 8);
    const int bitsField = ihdr[10];
    if (big32(ihdr) == 0 || big32(ihdr + 4) == 0 || components < 1 || components > maxComponents
        || (bitsField != 0xFF && (bitsField & 0x7F) + 1 > maxDepth) || ihdr[11] != 7)
        return unreadable(UnreadableReason::Damaged);
    if (big32(ihdr) > uint32_t(std::numeric_limits<int32_t>::max())
        || big32(ihdr + 4) > uint32_t(std::numeric_limits<int32_t>::max()))
        return unreadable(UnreadableReason::TooLarge);
    // The measure is what the codestream decodes to; the image header box
    // repeats it.
    const std::optional<Siz> siz = readSiz(file, layout->codestream.contentOffset(), layout->codestream.end(), why);
    if (!siz)
        return unreadable(why);

    int bands = components;
    int bits = siz->firstDepth;
    if (layout->palette && layout->palette->contentLength() >= 4) {
        // A palette: its columns are what the image decodes to.
        unsigned char p[4];
        if (file.readAt(layout->palette->contentOffset(), p, sizeof p) == sizeof p && p[2] > 0) {
            bands = p[2];
            bits = (p[3] & 0x7F) + 1;
        }
    }
    const ColourBox colour = readColour(file, *layout, bands);
    const jp2::ResolutionValues resolution = readResolution(file, *layout);

    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = int32_t(siz->height);
    header.pixelsWide = int32_t(siz->width);
    header.colourSpaceName = colourSpaceName(colour.colour, bands, bits);
    header.verticalDpi = perMetre(resolution.verticalPerMetre);
    if (!details)
        return header;
    details->bitsPerSample = bits;
    details->alpha = hasAlpha(file, *layout, colour.colour.model, bands);
    details->pages = 1;
    setResolution(*details, ResolutionSource::Other, perMetre(resolution.horizontalPerMetre), header.verticalDpi);
    if (colour.hasProfile) {
        details->hasProfile = true;
        details->profileModel = ColourModel::Other;
        if (colour.profileBytes > 0 && colour.profileBytes <= maxProfileBytes) {
            std::vector<unsigned char> profile(size_t(colour.profileBytes));
            if (file.readAt(colour.profileAt, profile.data(), profile.size()) == profile.size())
                setProfile(*details, profile.data(), profile.size());
        }
    }
    return header;
}

ImageHeader readJ2kHeader(HeaderFile& file, ImageDetails* details)
{
    UnreadableReason why = UnreadableReason::None;
    const std::optional<Siz> siz = readSiz(file, 0, file.size(), why);
    if (!siz)
        return unreadable(why);
    const Colour colour = byComponents(siz->components);
    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = int32_t(siz->height);
    header.pixelsWide = int32_t(siz->width);
    header.colourSpaceName = colourSpaceName(colour, siz->components, siz->firstDepth);
    // A bare codestream records no resolution.
    if (details) {
        details->bitsPerSample = siz->firstDepth;
        details->alpha = siz->components > colourChannels(colour.model, siz->components);
        details->pages = 1;
    }
    return header;
}

} // namespace quorvel::platform::header
