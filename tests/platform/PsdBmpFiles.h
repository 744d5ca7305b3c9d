#pragma once

// Layered-document and bitmap files laid out byte by byte: no library here
// writes them with the fields these tests need.

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvel::test {

using Bytes = std::vector<unsigned char>;

struct PsdRecipe {
    uint16_t version = 1; // 2: the large-document variant
    uint32_t width = 20;
    uint32_t height = 13;
    uint16_t channels = 3;
    uint16_t depth = 8;
    uint16_t mode = 3; // 0 bitmap, 1 grey, 2 indexed, 3 RGB, 4 CMYK, 7 multichannel, 8 duotone, 9 Lab
    struct Resolution {
        double horizontal; // pixels per inch, as stored
        double vertical;
        uint16_t unit;     // 1 inch, 2 centimetre: how it was entered
    };
    std::optional<Resolution> resolution;
    Bytes profile;                    // an ICC profile resource when not empty
    int fillerResources = 0;          // other resources ahead of the resolution,
    size_t fillerBytes = 0;           // each this large, as real files carry them
    // Kinds of the channels beyond the colour ones (0 alpha, 2 spot colour),
    // written as a display-info resource when not empty.
    std::vector<uint8_t> extraKinds;
    int layers = 0;
    bool layersInTaggedBlock = false; // where files of 16 and 32 bits keep them
    // The merged image: each channel's stored value (at the file's depth) in
    // the top half and in the bottom half. Empty: a little zero data only.
    std::vector<uint32_t> top;
    std::vector<uint32_t> bottom;
    bool packBits = false; // compressed rows, with their byte counts
};
Bytes psdBytes(const PsdRecipe& recipe);

struct BmpRecipe {
    int32_t width = 20;
    int32_t height = 13;          // negative: stored top-down
    uint32_t headerSize = 40;     // 12 core, 40 info, 108 V4, 124 V5
    uint16_t bitCount = 24;
    uint32_t compression = 0;     // 3: bit fields
    int32_t xPerMetre = 0;
    int32_t yPerMetre = 0;
    bool greyPalette = false;     // for 8 bits or fewer; else a colour palette
    uint32_t alphaMask = 0;       // V4 and V5
    Bytes profile;                // V5: embedded after the pixels
    std::optional<uint32_t> pixelOffset; // in place of the true one
};
Bytes bmpBytes(const BmpRecipe& recipe);

} // namespace quorvel::test
