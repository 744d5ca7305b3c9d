#include "platform/loader/PsdComposite.h"

#include "platform/loader/VipsRead.h"

#include <vips/vips.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

// The merged image is sampled on a grid up to this many times the preview's
// size, and libvips shrinks the grid smoothly to the preview.
constexpr int oversample = 2;
// An embedded profile larger than this is not used.
constexpr uint64_t maxProfileBytes = 16u << 20;

enum Mode : uint16_t { Bitmap = 0, Grey = 1, Indexed = 2, Rgb = 3, Cmyk = 4 };

// Reads a file through its descriptor, every read checked against its size.
class File {
public:
    explicit File(int fd) : fd_(fd)
    {
        struct stat info {};
        size_ = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? uint64_t(info.st_size) : 0;
    }
    uint64_t size() const { return size_; }
    bool read(uint64_t offset, void* into, uint64_t length) const
    {
        if (offset > size_ || length > size_ - offset)
            return false;
        auto* out = static_cast<unsigned char*>(into);
        while (length > 0) {
            const ssize_t n = ::pread(fd_, out, size_t(length), off_t(offset));
            if (n <= 0)
                return false;
            out += n;
            offset += uint64_t(n);
            length -= uint64_t(n);
        }
        return true;
    }
    std::optional<uint64_t> big(uint64_t offset, int bytes) const
    {
        unsigned char b[8];
        if (bytes > 8 || !read(offset, b, uint64_t(bytes)))
            return std::nullopt;
        uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = value << 8 | b[i];
        return value;
    }

private:
    int fd_;
    uint64_t size_ = 0;
};

struct Document {
    bool large = false; // the PSB variant
    uint32_t channels = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t depth = 0;
    uint16_t mode = 0;
    std::vector<unsigned char> palette; // indexed: 256 reds, greens, blues
    std::vector<unsigned char> profile;
    uint64_t imageData = 0; // where the merged image's compression field is
};

int colourChannels(uint16_t mode)
{
    switch (mode) {
    case Bitmap:
    case Grey:
    case Indexed: return 1;
    case Rgb: return 3;
    case Cmyk: return 4;
    default: return 0;
    }
}

bool depthAllowed(const Document& d)
{
    switch (d.mode) {
    case Bitmap: return d.depth == 1;
    case Indexed: return d.depth == 8;
    default: return d.depth == 8 || d.depth == 16 || d.depth == 32;
    }
}

// The ICC profile resource, when the resource section holds a sound one.
void findProfile(const File& f, uint64_t at, uint64_t end, Document& d)
{
    while (at + 12 <= end) {
        const auto signature = f.big(at, 4);
        const auto id = f.big(at + 4, 2);
        const auto nameLength = f.big(at + 6, 1);
        if (!signature || *signature != 0x3842494D /* 8BIM */ || !id || !nameLength)
            return;
        const uint64_t sizeAt = at + 6 + ((*nameLength + 2) & ~uint64_t(1));
        const auto size = f.big(sizeAt, 4);
        if (!size || sizeAt + 4 + *size > end)
            return;
        if (*id == 0x040F && *size > 0 && *size <= maxProfileBytes) {
            d.profile.resize(size_t(*size));
            if (!f.read(sizeAt + 4, d.profile.data(), *size))
                d.profile.clear();
            return;
        }
        at = sizeAt + 4 + ((*size + 1) & ~uint64_t(1)); // always moves on
    }
}

std::optional<Document> readDocument(const File& f)
{
    unsigned char h[26];
    if (!f.read(0, h, sizeof h) || std::memcmp(h, "8BPS", 4) != 0)
        return std::nullopt;
    auto be = [&h](int at, int n) {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 8 | h[at + i];
        return v;
    };
    Document d;
    const uint32_t version = be(4, 2);
    if (version != 1 && version != 2)
        return std::nullopt;
    d.large = version == 2;
    d.channels = be(12, 2);
    d.height = be(14, 4);
    d.width = be(18, 4);
    d.depth = be(22, 2);
    d.mode = uint16_t(be(24, 2));
    const uint32_t maxSide = d.large ? 300000 : 30000;
    if (d.channels < 1 || d.channels > 56 || d.width < 1 || d.height < 1 || d.width > maxSide
        || d.height > maxSide)
        return std::nullopt;
    if (colourChannels(d.mode) == 0 || d.channels < uint32_t(colourChannels(d.mode)) || !depthAllowed(d))
        return std::nullopt;

    uint64_t at = 26;
    const auto colourData = f.big(at, 4);
    if (!colourData)
        return std::nullopt;
    if (d.mode == Indexed) {
        if (*colourData < 768)
            return std::nullopt;
        d.palette.resize(768);
        if (!f.read(at + 4, d.palette.data(), 768))
            return std::nullopt;
    }
    at += 4 + *colourData;
    const auto resources = f.big(at, 4);
    if (!resources || at + 4 + *resources > f.size())
        return std::nullopt;
    findProfile(f, at + 4, at + 4 + *resources, d);
    at += 4 + *resources;
    const int lengthBytes = d.large ? 8 : 4;
    const auto layers = f.big(at, lengthBytes);
    if (!layers || *layers > f.size())
        return std::nullopt;
    d.imageData = at + uint64_t(lengthBytes) + *layers;
    if (d.imageData + 2 > f.size())
        return std::nullopt;
    return d;
}

// PackBits: false when the row's bytes do not fill the row.
bool unpackBits(const unsigned char* in, size_t inLength, unsigned char* out, size_t outLength)
{
    size_t i = 0;
    size_t o = 0;
    while (i < inLength && o < outLength) {
        const int n = int8_t(in[i++]);
        if (n >= 0) {
            const size_t count = std::min<size_t>(size_t(n) + 1, std::min(inLength - i, outLength - o));
            std::memcpy(out + o, in + i, count);
            i += count;
            o += count;
        } else if (n != -128 && i < inLength) {
            const size_t count = std::min<size_t>(size_t(1 - n), outLength - o);
            std::memset(out + o, in[i++], count);
            o += count;
        }
    }
    return o == outLength;
}

// The grid the merged image is sampled on, and the source row and column of
// each of its points.
struct Grid {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rows;
    std::vector<uint32_t> columns;
};

Grid gridFor(const Document& d, int width, int height)
{
    // Never larger than the largest preview itself.
    const double factor = std::max(width, height) * oversample <= maxPreviewSide ? oversample : 1;
    const double scale = std::min({1.0, width * factor / d.width, height * factor / d.height});
    Grid g;
    g.width = std::max(1, int(d.width * scale + 0.5));
    g.height = std::max(1, int(d.height * scale + 0.5));
    for (int y = 0; y < g.height; ++y)
        g.rows.push_back(uint32_t(std::min<uint64_t>(d.height - 1, uint64_t((y + 0.5) * d.height / g.height))));
    for (int x = 0; x < g.width; ++x)
        g.columns.push_back(uint32_t(std::min<uint64_t>(d.width - 1, uint64_t((x + 0.5) * d.width / g.width))));
    return g;
}

// Where each sampled row of each colour channel lies, and how many bytes it
// takes: read from the per-row byte counts for compressed data.
struct RowPlace {
    uint64_t offset = 0;
    uint64_t length = 0;
    bool packed = false;
};

bool placeRows(const File& f, const Document& d, const Grid& g, uint64_t rowBytes,
               std::vector<std::vector<RowPlace>>& places)
{
    const int channels = colourChannels(d.mode);
    const auto compression = f.big(d.imageData, 2);
    if (!compression)
        return false;
    places.assign(size_t(channels), std::vector<RowPlace>(g.rows.size()));
    const uint64_t dataAt = d.imageData + 2;
    if (*compression == 0) {
        // Every channel whole, or the file was cut.
        if (rowBytes * d.height * d.channels > f.size() - dataAt)
            return false;
        for (int c = 0; c < channels; ++c)
            for (size_t y = 0; y < g.rows.size(); ++y)
                places[size_t(c)][y] = {dataAt + (uint64_t(c) * d.height + g.rows[y]) * rowBytes, rowBytes, false};
        return true;
    }
    if (*compression != 1)
        return false;
    // The counts of every row of every channel, then the rows in that order.
    const uint64_t countBytes = d.large ? 4 : 2;
    const uint64_t tableBytes = countBytes * d.height * d.channels;
    if (tableBytes > f.size() - dataAt)
        return false;
    // PackBits never takes more than this for a row; a count beyond it is damage.
    const uint64_t maxPacked = rowBytes + rowBytes / 64 + 16;
    uint64_t offset = dataAt + tableBytes;
    std::vector<unsigned char> chunk;
    const uint64_t rowsToScan = uint64_t(d.height) * uint64_t(channels);
    constexpr uint64_t rowsPerChunk = 16384;
    for (uint64_t first = 0; first < rowsToScan; first += rowsPerChunk) {
        const uint64_t n = std::min(rowsPerChunk, rowsToScan - first);
        chunk.resize(size_t(n * countBytes));
        if (!f.read(dataAt + first * countBytes, chunk.data(), chunk.size()))
            return false;
        for (uint64_t i = 0; i < n; ++i) {
            uint64_t length = 0;
            for (uint64_t b = 0; b < countBytes; ++b)
                length = length << 8 | chunk[size_t(i * countBytes + b)];
            if (length > maxPacked || length > f.size() - offset)
                return false;
            const uint64_t row = (first + i) % d.height;
            const size_t channel = size_t((first + i) / d.height);
            // The grid's rows ascend: those sampling this source row.
            auto [from, to] = std::equal_range(g.rows.begin(), g.rows.end(), uint32_t(row));
            for (auto it = from; it != to; ++it)
                places[channel][size_t(it - g.rows.begin())] = {offset, length, true};
            offset += length;
        }
    }
    return true;
}

// One sample of a row as 8 bits, ink or light as stored.
uint8_t sample(const Document& d, const unsigned char* row, uint32_t x)
{
    switch (d.depth) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1 ? 0 : 255; // 1 is black
    case 8: return row[x];
    case 16: return row[size_t(x) * 2];
    default: {
        const unsigned char* p = row + size_t(x) * 4;
        const uint32_t bits = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (!(value > 0.0f)) // NaN too
            return 0;
        if (value >= 1.0f)
            return 255;
        // Floating-point documents hold linear light: encoded as sRGB is.
        const float encoded = value <= 0.0031308f ? value * 12.92f : 1.055f * std::pow(value, 1 / 2.4f) - 0.055f;
        return uint8_t(encoded * 255.0f + 0.5f);
    }
    }
}

// The merged image sampled on the grid, bands interleaved; empty when damaged.
std::vector<unsigned char> sampleGrid(const File& f, const Document& d, const Grid& g, int& bands)
{
    const uint64_t rowBytes = (uint64_t(d.width) * d.depth + 7) / 8;
    std::vector<std::vector<RowPlace>> places;
    if (!placeRows(f, d, g, rowBytes, places))
        return {};
    const int channels = colourChannels(d.mode);
    bands = d.mode == Indexed ? 3 : channels;
    std::vector<unsigned char> grid(size_t(g.width) * size_t(g.height) * size_t(bands));
    std::vector<unsigned char> packed;
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes));
    for (int c = 0; c < channels; ++c) {
        const RowPlace* previous = nullptr;
        for (size_t y = 0; y < g.rows.size(); ++y) {
            const RowPlace& place = places[size_t(c)][y];
            if (!previous || previous->offset != place.offset || previous->length != place.length) {
                if (!place.packed) {
                    if (!f.read(place.offset, row.data(), rowBytes))
                        return {};
                } else {
                    packed.resize(size_t(place.length) + 1);
                    if (!f.read(place.offset, packed.data(), place.length)
                        || !unpackBits(packed.data(), size_t(place.length), row.data(), row.size()))
                        return {};
                }
            }
            previous = &place;
            unsigned char* out = grid.data() + y * size_t(g.width) * size_t(bands);
            for (int x = 0; x < g.width; ++x) {
                const uint8_t value = sample(d, row.data(), g.columns[size_t(x)]);
                if (d.mode == Indexed) {
                    for (int b = 0; b < 3; ++b)
                        out[size_t(x) * 3 + size_t(b)] = d.palette[size_t(b) * 256 + value];
                } else {
                    // CMYK is stored as 255 for no ink, libvips counts ink.
                    out[size_t(x) * size_t(bands) + size_t(c)] = d.mode == Cmyk ? uint8_t(255 - value) : value;
                }
            }
        }
    }
    return grid;
}

} // namespace

bool isPsd(int fd)
{
    unsigned char start[4];
    return ::pread(fd, start, sizeof start, 0) == 4 && std::memcmp(start, "8BPS", 4) == 0;
}

bool makePsdPreview(int fd, int width, int height, Preview& preview)
{
    const File file(fd);
    const std::optional<Document> document = readDocument(file);
    if (!document || width < 1 || height < 1)
        return false;
    const Grid grid = gridFor(*document, width, height);
    int bands = 0;
    const std::vector<unsigned char> pixels = sampleGrid(file, *document, grid, bands);
    if (pixels.empty())
        return false;
    VipsImage* image = vips_image_new_from_memory(pixels.data(), pixels.size(), grid.width, grid.height, bands,
                                                  VIPS_FORMAT_UCHAR);
    if (!image) {
        vips_error_clear();
        return false;
    }
    const VipsInterpretation interpretation = bands == 1 ? VIPS_INTERPRETATION_B_W
        : bands == 4                                     ? VIPS_INTERPRETATION_CMYK
                                                         : VIPS_INTERPRETATION_sRGB;
    VipsImage* tagged = nullptr;
    int status = vips_copy(image, &tagged, "interpretation", interpretation, nullptr);
    g_object_unref(image);
    if (status != 0) {
        vips_error_clear();
        return false;
    }
    VipsImage* srgb = nullptr;
    if (!document->profile.empty()) {
        vips_image_set_blob_copy(tagged, VIPS_META_ICC_NAME, document->profile.data(), document->profile.size());
        if (vips_icc_transform(tagged, &srgb, "srgb", "embedded", TRUE, nullptr) != 0) {
            vips_error_clear();
            srgb = nullptr;
            vips_image_remove(tagged, VIPS_META_ICC_NAME);
        }
    }
    // Without a usable profile, libvips' own CMYK profile stands in.
    if (!srgb && vips_colourspace(tagged, &srgb, VIPS_INTERPRETATION_sRGB, nullptr) != 0)
        srgb = nullptr;
    g_object_unref(tagged);
    if (!srgb) {
        vips_error_clear();
        return false;
    }
    vips_image_remove(srgb, VIPS_META_ICC_NAME);
    VipsImage* thumb = nullptr;
    status = vips_thumbnail_image(srgb, &thumb, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
    g_object_unref(srgb);
    if (status != 0) {
        vips_error_clear();
        return false;
    }
    return finishPreview(thumb, preview);
}

} // namespace quorvel::platform::loader
