#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quorvel::platform::header {
namespace {

// The layout of a layered document file (version 1) and of its large
// variant (version 2): a fixed header, then four sections, each led by its
// length: colour mode data, image resources, layers and masks, image data.
constexpr int64_t fixedHeaderBytes = 26;
constexpr uint32_t maxSideV1 = 30000;
constexpr uint32_t maxSideV2 = 300000;
constexpr int maxResources = 1 << 14; // a hostile file cannot keep us walking
constexpr int maxTaggedBlocks = 256;
constexpr uint32_t maxProfileBytes = 4 * 1024 * 1024;
constexpr uint16_t resolutionInfo = 0x03ED;
constexpr uint16_t iccProfile = 0x040F;
// How each channel beyond the colour ones is shown: alpha or spot colour.
constexpr uint16_t displayInfo = 0x0435;

enum Mode : uint16_t {
    Bitmap = 0, Grayscale = 1, Indexed = 2, Rgb = 3, Cmyk = 4, Multichannel = 7, Duotone = 8, Lab = 9
};

// Reads through a window of the file: the fixed header, the section
// lengths and the small resources ahead of the resolution mostly come from
// one or two reads. Reads larger than the window go straight to the file.
class Window {
public:
    explicit Window(const HeaderFile& file) : m_file(file) {}

    int64_t size() const { return m_file.size(); }

    size_t readAt(int64_t offset, void* out, size_t count)
    {
        if (count > sizeof m_bytes || offset < 0)
            return m_file.readAt(offset, out, count);
        if (offset < m_at || offset + int64_t(count) > m_at + int64_t(m_length)) {
            m_at = offset;
            m_length = m_file.readAt(offset, m_bytes, sizeof m_bytes);
        }
        const size_t available = std::min<size_t>(count, m_length - size_t(offset - m_at));
        std::memcpy(out, m_bytes + (offset - m_at), available);
        return available;
    }

private:
    const HeaderFile& m_file;
    int64_t m_at = 0;
    size_t m_length = 0;
    unsigned char m_bytes[4096];
};

uint16_t big16(const unsigned char* p)
{
    return uint16_t(p[0] << 8 | p[1]);
}

uint32_t big32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint64_t big64(const unsigned char* p)
{
    return uint64_t(big32(p)) << 32 | big32(p + 4);
}

// A section length of 4 bytes, or of 8 in version 2 where it says so; 0 and
// false when the length itself is cut off.
bool readLength(Window& file, int64_t at, int bytes, uint64_t& length)
{
    unsigned char field[8];
    if (file.readAt(at, field, bytes) != size_t(bytes))
        return false;
    length = bytes == 8 ? big64(field) : big32(field);
    return true;
}

// Colour channels of each mode; the rest are extra (alpha or spot) channels.
// 0 for a mode that does not exist.
int colourChannels(uint16_t mode, int channels)
{
    switch (mode) {
    case Bitmap:
    case Grayscale:
    case Indexed:
    case Duotone: return 1;
    case Rgb:
    case Lab: return 3;
    case Cmyk: return 4;
    case Multichannel: return channels;
    default: return 0;
    }
}

std::string colourSpaceName(uint16_t mode, int depth)
{
    switch (mode) {
    case Bitmap: return std::string(colourspace::grayscale);
    case Grayscale: return depth == 32 ? depthVariantName("Gray", 32, true) : std::string(colourspace::grayscale);
    case Indexed: return std::string(colourspace::rgb);
    case Rgb: return depth == 32 ? depthVariantName("RGB", 32, true) : std::string(colourspace::rgb);
    case Cmyk: return std::string(colourspace::cmyk);
    case Lab: return othername::lab;
    case Duotone: return othername::duotone;
    default: return othername::multichannel;
    }
}

// The 16.16 fixed-point value is pixels per inch whatever the unit field
// says; a unit of centimetres means it came from a metric figure, which
// snaps like every metric value.
std::optional<double> fixedResolution(const unsigned char* p)
{
    const uint32_t fixed = big32(p);
    if (fixed == 0)
        return std::nullopt;
    const double perInch = fixed / 65536.0;
    return big16(p + 4) == 2 ? dotsPerInch(perInch / 2.54, ResolutionUnit::Centimetre) : perInch;
}

struct Resources {
    std::optional<double> horizontalDpi;
    std::optional<double> verticalDpi;
    bool hasProfile = false;
    std::vector<unsigned char> profile; // empty when too large or cut short
    // The kind of each channel beyond the colour ones, in order: 0 alpha,
    // 1 inverted alpha, 2 spot colour. Empty when the file does not say.
    std::vector<unsigned char> extraKinds;
};

// Walks the image resources for the resolution and, with details, the
// embedded profile. A block that runs past the section ends the walk.
Resources readResources(Window& file, int64_t offset, int64_t end, bool details)
{
    Resources found;
    bool seenResolution = false;
    for (int i = 0; i < maxResources && offset + 12 <= end; ++i) {
        // Signature, id, the name as a Pascal string padded to even, the size.
        unsigned char block[4 + 2 + 256 + 4];
        const size_t n = file.readAt(offset, block, size_t(std::min<int64_t>(sizeof block, end - offset)));
        if (n < 12 || std::memcmp(block, "8BIM", 4) != 0)
            break;
        const uint16_t id = big16(block + 4);
        const size_t nameBytes = (1 + size_t(block[6]) + 1) & ~size_t(1);
        if (6 + nameBytes + 4 > n)
            break;
        const uint32_t size = big32(block + 6 + nameBytes);
        const int64_t data = offset + int64_t(6 + nameBytes + 4);
        if (int64_t(size) > end - data)
            break;
        if (id == resolutionInfo && !seenResolution && size >= 16) {
            seenResolution = true;
            unsigned char info[16];
            if (file.readAt(data, info, sizeof info) != sizeof info)
                break;
            found.horizontalDpi = fixedResolution(info);
            found.verticalDpi = fixedResolution(info + 8);
            if (!details)
                break;
        } else if (id == displayInfo && details && found.extraKinds.empty() && size >= 4) {
            // A version, then 13 bytes per channel: colour space, colour,
            // opacity, kind.
            constexpr size_t entry = 13;
            const size_t count = std::min<size_t>((size - 4) / entry, 56);
            std::vector<unsigned char> entries(count * entry);
            if (count > 0 && file.readAt(data + 4, entries.data(), entries.size()) == entries.size()) {
                for (size_t k = 0; k < count; ++k)
                    found.extraKinds.push_back(entries[k * entry + 12]);
            }
        } else if (id == iccProfile && details && !found.hasProfile) {
            found.hasProfile = true;
            if (size > 0 && size <= maxProfileBytes) {
                found.profile.resize(size);
                if (file.readAt(data, found.profile.data(), size) != size)
                    found.profile.clear();
            }
        }
        offset = data + int64_t(size) + (size & 1);
    }
    return found;
}

bool isTagSignature(const unsigned char* p)
{
    return std::memcmp(p, "8BIM", 4) == 0 || std::memcmp(p, "8B64", 4) == 0;
}

// Keys whose length field is 8 bytes in version 2.
bool hasLongLength(const unsigned char* key)
{
    static const char* const keys[] = {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn",
                                       "Alph", "FMsk", "lnk2", "FEid", "FXid", "PxSD"};
    for (const char* k : keys) {
        if (std::memcmp(key, k, 4) == 0)
            return true;
    }
    return false;
}

// The number of layers: the count at the start of the layer info, or, in
// files of 16 and 32 bits, of the tagged block that holds it instead.
// Absent when the section cannot be read.
std::optional<int> layerCount(Window& file, int64_t section, int lengthBytes)
{
    uint64_t sectionLength = 0, infoLength = 0;
    if (!readLength(file, section, lengthBytes, sectionLength))
        return std::nullopt;
    if (sectionLength == 0)
        return 0;
    const int64_t start = section + lengthBytes;
    if (sectionLength < uint64_t(lengthBytes) || sectionLength > uint64_t(file.size() - start)
        || !readLength(file, start, lengthBytes, infoLength) || infoLength > sectionLength - lengthBytes)
        return std::nullopt;
    unsigned char count[2];
    if (infoLength >= 2)
        return file.readAt(start + lengthBytes, count, 2) == 2 ? std::optional<int>(std::abs(int16_t(big16(count))))
                                                               : std::nullopt;
    const int64_t end = start + int64_t(sectionLength);
    int64_t offset = start + lengthBytes + int64_t(infoLength);
    uint64_t maskLength = 0;
    if (!readLength(file, offset, 4, maskLength))
        return std::nullopt;
    offset += 4 + int64_t(maskLength);
    for (int i = 0; i < maxTaggedBlocks && offset + 12 <= end; ++i) {
        unsigned char block[16];
        const size_t n = file.readAt(offset, block, sizeof block);
        if (n < 12 || !isTagSignature(block))
            break;
        const int bytes = lengthBytes == 8 && hasLongLength(block + 4) ? 8 : 4;
        if (n < size_t(8 + bytes))
            break;
        const uint64_t length = bytes == 8 ? big64(block + 8) : big32(block + 8);
        const int64_t data = offset + 8 + bytes;
        if (length > uint64_t(end - data))
            break;
        if (std::memcmp(block + 4, "Lr16", 4) == 0 || std::memcmp(block + 4, "Lr32", 4) == 0
            || std::memcmp(block + 4, "Layr", 4) == 0) {
            if (length < 2 || file.readAt(data, count, 2) != 2)
                return std::nullopt;
            return std::abs(int16_t(big16(count)));
        }
        offset = data + int64_t((length + 3) & ~uint64_t(3));
    }
    return 0;
}

} // namespace

ImageHeader readPsdHeader(HeaderFile& whole, ImageDetails* details)
{
    Window file(whole);
    unsigned char head[fixedHeaderBytes + 4];
    if (file.readAt(0, head, sizeof head) != sizeof head)
        return unreadable(UnreadableReason::Damaged);
    const uint16_t version = big16(head + 4);
    const int channels = big16(head + 12);
    const uint32_t height = big32(head + 14);
    const uint32_t width = big32(head + 18);
    const int depth = big16(head + 22);
    const uint16_t mode = big16(head + 24);
    if ((version != 1 && version != 2) || channels < 1 || channels > 56 || height == 0 || width == 0
        || (depth != 1 && depth != 8 && depth != 16 && depth != 32))
        return unreadable(UnreadableReason::Damaged);
    const int colour = colourChannels(mode, channels);
    if (colour == 0 || channels < colour)
        return unreadable(UnreadableReason::Damaged);
    const uint32_t maxSide = version == 1 ? maxSideV1 : maxSideV2;
    if (height > maxSide || width > maxSide)
        return unreadable(UnreadableReason::TooLarge);

    // Each section must lie within the file: a file cut short is damaged,
    // even where the measure would need nothing past the cut.
    const int64_t size = file.size();
    const int64_t resourcesAt = fixedHeaderBytes + 4 + int64_t(big32(head + fixedHeaderBytes));
    uint64_t resourcesLength = 0;
    if (resourcesAt > size || !readLength(file, resourcesAt, 4, resourcesLength)
        || resourcesLength > uint64_t(size - resourcesAt - 4))
        return unreadable(UnreadableReason::Damaged);
    const int64_t layersAt = resourcesAt + 4 + int64_t(resourcesLength);
    const int lengthBytes = version == 1 ? 4 : 8;
    uint64_t layersLength = 0;
    if (!readLength(file, layersAt, lengthBytes, layersLength)
        || layersLength > uint64_t(size - layersAt - lengthBytes))
        return unreadable(UnreadableReason::Damaged);

    const Resources resources = readResources(file, resourcesAt + 4, layersAt, details != nullptr);
    ImageHeader header;
    header.readable = true;
    header.pixelsHigh = int32_t(height);
    header.pixelsWide = int32_t(width);
    header.colourSpaceName = colourSpaceName(mode, depth);
    header.verticalDpi = resources.verticalDpi;
    if (details) {
        details->bitsPerSample = depth;
        // Without a word on each extra channel, the first is the document's
        // transparency and any further ones are extra.
        const int extra = channels - colour;
        if (resources.extraKinds.empty()) {
            details->alpha = extra > 0;
            details->extraChannels = std::max(0, extra - 1);
        } else {
            int spots = 0;
            for (size_t k = 0; k < resources.extraKinds.size() && int(k) < extra; ++k)
                spots += resources.extraKinds[k] == 2 ? 1 : 0;
            details->alpha = extra - spots > 0;
            details->extraChannels = spots;
        }
        details->pages = 1;
        details->layers = layerCount(file, layersAt, lengthBytes);
        setResolution(*details, ResolutionSource::Other, resources.horizontalDpi, resources.verticalDpi);
        if (!resources.profile.empty()) {
            setProfile(*details, resources.profile.data(), resources.profile.size());
        } else if (resources.hasProfile) {
            details->hasProfile = true;
            details->profileModel = ColourModel::Other;
        }
    }
    return header;
}

} // namespace quorvel::platform::header
