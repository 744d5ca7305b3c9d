#include "PsdBmpFiles.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace quorvel::test {
namespace {

void big(Bytes& b, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        b.push_back(uint8_t(value >> (8 * i)));
}

void little(Bytes& b, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(value >> (8 * i)));
}

void append(Bytes& b, const Bytes& more)
{
    b.insert(b.end(), more.begin(), more.end());
}

// One image resource: signature, id, a Pascal name padded to even, the size
// and the data padded to even.
void resource(Bytes& b, uint16_t id, const Bytes& data, const char* name = "")
{
    append(b, {'8', 'B', 'I', 'M'});
    big(b, id, 2);
    const size_t nameLength = std::char_traits<char>::length(name);
    b.push_back(uint8_t(nameLength));
    b.insert(b.end(), name, name + nameLength);
    if ((nameLength + 1) % 2)
        b.push_back(0);
    big(b, data.size(), 4);
    append(b, data);
    if (data.size() % 2)
        b.push_back(0);
}

// Pixel data is never read by the header; a little of it makes the file look whole.
constexpr uint64_t maxPixelBytes = 1 << 16;

// PackBits: runs of equal bytes, the rest as literals.
Bytes packBits(const Bytes& row)
{
    Bytes out;
    size_t i = 0;
    while (i < row.size()) {
        size_t run = 1;
        while (i + run < row.size() && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        size_t j = i + 1;
        while (j < row.size() && j - i < 128 && !(j + 1 < row.size() && row[j] == row[j + 1]))
            ++j;
        out.push_back(uint8_t(j - i - 1));
        out.insert(out.end(), row.begin() + long(i), row.begin() + long(j));
        i = j;
    }
    return out;
}

void mergedImage(Bytes& b, const PsdRecipe& r)
{
    const int bytesPerSample = r.depth == 1 ? 0 : r.depth / 8;
    const size_t rowBytes = (size_t(r.width) * r.depth + 7) / 8;
    std::vector<Bytes> rows; // channel by channel, top to bottom
    for (uint16_t c = 0; c < r.channels; ++c) {
        for (uint32_t y = 0; y < r.height; ++y) {
            const auto& half = y < r.height / 2 ? r.top : r.bottom;
            const uint32_t value = c < half.size() ? half[c] : 0;
            Bytes row;
            if (bytesPerSample == 0)
                row.assign(rowBytes, value ? 0xFF : 0);
            else
                for (uint32_t x = 0; x < r.width; ++x)
                    big(row, value, bytesPerSample);
            rows.push_back(r.packBits ? packBits(row) : row);
        }
    }
    big(b, r.packBits ? 1 : 0, 2);
    if (r.packBits)
        for (const Bytes& row : rows)
            big(b, row.size(), r.version == 2 ? 4 : 2);
    for (const Bytes& row : rows)
        append(b, row);
}

} // namespace

Bytes psdBytes(const PsdRecipe& r)
{
    Bytes b = {'8', 'B', 'P', 'S'};
    big(b, r.version, 2);
    b.insert(b.end(), 6, 0);
    big(b, r.channels, 2);
    big(b, r.height, 4);
    big(b, r.width, 4);
    big(b, r.depth, 2);
    big(b, r.mode, 2);

    const uint32_t colourData = r.mode == 2 ? 768 : r.mode == 8 ? 12 : 0;
    big(b, colourData, 4);
    b.insert(b.end(), colourData, 0x40);

    Bytes resources;
    resource(resources, 0x0400, {1, 2, 3}, "ab"); // padding both in the name and the data
    for (int i = 0; i < r.fillerResources; ++i)
        resource(resources, uint16_t(4000 + i), Bytes(r.fillerBytes, uint8_t(i))); // plug-in resources
    if (r.resolution) {
        Bytes info;
        big(info, uint32_t(std::lround(r.resolution->horizontal * 65536)), 4);
        big(info, r.resolution->unit, 2);
        big(info, 1, 2);
        big(info, uint32_t(std::lround(r.resolution->vertical * 65536)), 4);
        big(info, r.resolution->unit, 2);
        big(info, 1, 2);
        resource(resources, 0x03ED, info);
    }
    if (!r.profile.empty())
        resource(resources, 0x040F, r.profile);
    if (!r.extraKinds.empty()) {
        Bytes info;
        big(info, 1, 4); // version
        for (uint8_t kind : r.extraKinds) {
            info.insert(info.end(), {0, 0, 0xff, 0xff, 0, 0, 0, 0, 0, 0}); // colour space and colour
            big(info, 100, 2);                                           // opacity
            info.push_back(kind);
        }
        resource(resources, 0x0435, info);
    }
    big(b, resources.size(), 4);
    append(b, resources);

    const int lengthBytes = r.version == 2 ? 8 : 4;
    Bytes layers;
    if (r.layers > 0) {
        const Bytes count = {uint8_t(r.layers >> 8), uint8_t(r.layers), 0, 0};
        if (r.layersInTaggedBlock) {
            big(layers, 0, lengthBytes); // empty layer info
            big(layers, 0, 4);           // empty global mask
            append(layers, {'8', 'B', 'I', 'M', 'L', 'r', '1', '6'});
            big(layers, count.size(), lengthBytes);
            append(layers, count);
        } else {
            big(layers, count.size(), lengthBytes);
            append(layers, count);
            big(layers, 0, 4);
        }
    }
    big(b, layers.size(), lengthBytes);
    append(b, layers);

    if (!r.top.empty()) {
        mergedImage(b, r);
        return b;
    }
    big(b, 0, 2); // raw image data
    const uint64_t pixels = uint64_t(r.width) * r.height * r.channels * r.depth / 8;
    b.insert(b.end(), size_t(pixels < maxPixelBytes ? pixels : 64), 0);
    return b;
}

Bytes bmpBytes(const BmpRecipe& r)
{
    const bool core = r.headerSize == 12;
    const int entryBytes = core ? 3 : 4;
    const int entries = r.bitCount <= 8 ? 1 << r.bitCount : 0;
    const Bytes masks = r.headerSize == 40 && r.compression == 3 ? Bytes(12, 0) : Bytes();
    const uint32_t pixelsAt = 14 + r.headerSize + uint32_t(masks.size()) + entries * entryBytes;
    const uint64_t rowBytes = (uint64_t(r.width) * r.bitCount + 31) / 32 * 4;
    const uint64_t pixels = rowBytes * uint64_t(std::abs(int64_t(r.height)));
    const uint64_t pixelBytes = pixels < maxPixelBytes ? pixels : 64;
    const uint32_t profileAt = uint32_t(pixelsAt + pixelBytes);

    Bytes b = {'B', 'M'};
    little(b, profileAt + r.profile.size(), 4);
    little(b, 0, 4);
    little(b, r.pixelOffset.value_or(pixelsAt), 4);

    little(b, r.headerSize, 4);
    if (core) {
        little(b, uint16_t(r.width), 2);
        little(b, uint16_t(r.height), 2);
        little(b, 1, 2);
        little(b, r.bitCount, 2);
    } else {
        little(b, uint32_t(r.width), 4);
        little(b, uint32_t(r.height), 4);
        little(b, 1, 2);
        little(b, r.bitCount, 2);
        little(b, r.compression, 4);
        little(b, uint32_t(pixels), 4);
        little(b, uint32_t(r.xPerMetre), 4);
        little(b, uint32_t(r.yPerMetre), 4);
        little(b, 0, 4); // every palette entry used
        little(b, 0, 4);
        if (r.headerSize >= 108) {
            little(b, 0x00FF0000, 4);
            little(b, 0x0000FF00, 4);
            little(b, 0x000000FF, 4);
            little(b, r.alphaMask, 4);
            // Colour space: an embedded profile, or the sRGB one.
            append(b, r.profile.empty() ? Bytes{'B', 'G', 'R', 's'} : Bytes{'D', 'E', 'B', 'M'});
            b.insert(b.end(), 36 + 12, 0); // end points and gamma
        }
        if (r.headerSize == 124) {
            little(b, 4, 4); // rendering intent
            little(b, r.profile.empty() ? 0 : profileAt - 14, 4);
            little(b, r.profile.size(), 4);
            little(b, 0, 4);
        }
    }
    append(b, masks);
    for (int i = 0; i < entries; ++i) {
        const uint8_t level = uint8_t(i * 255 / (entries - 1));
        b.insert(b.end(), {level, r.greyPalette ? level : uint8_t(255 - level), level});
        if (!core)
            b.push_back(0);
    }
    b.insert(b.end(), size_t(pixelBytes), 0);
    append(b, r.profile);
    return b;
}

} // namespace quorvel::test
