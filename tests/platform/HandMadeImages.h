#pragma once

// Writers for the files that libvips does not produce: fields set one by one
// through the formats' own libraries, or bytes laid out by hand.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

using Bytes = std::vector<unsigned char>;

bool writeBytes(const std::string& path, const Bytes& bytes);
Bytes readBytes(const std::string& path);

struct PngSpec {
    uint32_t width = 20;
    uint32_t height = 13;
    int colourType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    struct Phys { uint32_t x, y; int unit; };
    std::optional<Phys> phys;
    size_t privateChunkBytes = 0; // an unknown ancillary chunk before the image data
};
bool writePng(const std::string& path, const PngSpec& recipe);

struct TiffSpec {
    uint32_t width = 20;
    uint32_t height = 13;
    uint16_t photometric = 1; // PHOTOMETRIC_*
    uint16_t samples = 1;
    uint16_t bits = 8;
    uint16_t sampleFormat = 1; // SAMPLEFORMAT_UINT
    uint16_t extraSamples = 0; // of them, unassociated alpha
    std::optional<uint16_t> inkSet;
    std::optional<float> xResolution;
    std::optional<float> yResolution;
    std::optional<uint16_t> resolutionUnit;
    bool bigEndian = false;
    bool bigTiff = false;
    size_t largeTagBytes = 0; // an embedded profile of this size
    bool secondPage = false;  // a later, different directory
    std::vector<unsigned char> photoshopResources; // tag 34377, when not empty
};
bool writeTiff(const std::string& path, const TiffSpec& recipe);

// An EXIF block as a JPEG APP1 segment carries it ("Exif\0\0", then TIFF
// structure), with IFD0 holding only the resolution fields given.
struct ExifSpec {
    std::optional<std::pair<uint32_t, uint32_t>> xResolution; // numerator, denominator
    std::optional<std::pair<uint32_t, uint32_t>> yResolution;
    std::optional<uint16_t> unit;
    bool bigEndian = false;
    bool withPrefix = true;
};
Bytes exifBlock(const ExifSpec& recipe);

enum class JpegStore { Grey, YCbCr, RGB, CMYK, YCCK };
struct JpegSpec {
    int width = 20;
    int height = 13;
    JpegStore store = JpegStore::YCbCr;
    bool jfif = true;
    uint8_t jfifUnit = 0;
    uint16_t xDensity = 1;
    uint16_t yDensity = 1;
    Bytes exif;                     // written as APP1 when not empty
    bool xmpBeforeExif = false;     // another APP1 segment ahead of the EXIF one
    bool progressive = false;
};
bool writeJpeg(const std::string& path, const JpegSpec& recipe);

// Lossy WebP without any chunk beyond the image (libwebp's simple format),
// or an extended file carrying the EXIF block given.
bool writeWebp(const std::string& path, int width, int height, const Bytes& exif = {});

Bytes gifBytes(uint16_t width, uint16_t height);

} // namespace quorvel::test
