#include "platform/header/DetailReaders.h"

#include "check/Resolution.h"
#include "platform/header/HeaderFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <tiffio.h>
#include <zlib.h>

namespace quorvel::platform::header {
namespace {

// Profiles past this size are noted as present but not read: a real one,
// even a large CMYK table, stays well below it.
constexpr size_t maxProfileBytes = 4 * 1024 * 1024;
constexpr int maxWalkSteps = 1 << 16; // chunks or blocks walked in one file

bool differ(double a, double b)
{
    return std::fabs(a - b) >= 0.01;
}

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void notePresentProfile(ImageDetails& details)
{
    details.hasProfile = true;
    details.profileModel = ColourModel::Other;
}

// An ICC profile too large for one APP2 segment is split over several, each
// numbered; they are joined in order, as far as they run unbroken from 1.
void jpegProfile(ImageDetails& details, const jpeg_decompress_struct& cinfo)
{
    static const unsigned char iccMarker[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
    jpeg_saved_marker_ptr chunks[256] = {};
    bool any = false;
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 + 2 || m->data_length < 14 || std::memcmp(m->data, iccMarker, 12) != 0)
            continue;
        any = true;
        const unsigned sequence = m->data[12];
        if (sequence > 0 && !chunks[sequence])
            chunks[sequence] = m;
    }
    if (!any)
        return;
    std::vector<unsigned char> profile;
    for (unsigned i = 1; i < 256 && chunks[i]; ++i)
        profile.insert(profile.end(), chunks[i]->data + 14, chunks[i]->data + chunks[i]->data_length);
    setProfile(details, profile.data(), profile.size());
}

std::optional<double> tiffResolution(TIFF* tiff, ttag_t tag, uint16_t unit)
{
    float value = 0.0f;
    if (!TIFFGetField(tiff, tag, &value) || !(value > 0.0f) || !std::isfinite(value))
        return std::nullopt;
    if (unit == RESUNIT_INCH)
        return dotsPerInch(value, ResolutionUnit::Inch);
    if (unit == RESUNIT_CENTIMETER)
        return dotsPerInch(value, ResolutionUnit::Centimetre);
    return std::nullopt;
}

uint16_t exif16(const unsigned char* p, bool little)
{
    return little ? uint16_t(p[0] | p[1] << 8) : uint16_t(p[0] << 8 | p[1]);
}

uint32_t exif32(const unsigned char* p, bool little)
{
    return little ? littleEndian32(p) : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

} // namespace

// The three tags of IFD0 read directly: the details need no more of EXIF,
// and a general EXIF library costs more than the rest of the details. The
// reading is the measure's (first X and Y, rational or signed rational, a
// zero denominator or a value of 0 or less is none, an unrecorded unit is
// per inch, a unit of another type is none).
ExifResolution exifResolution(const unsigned char* data, size_t size)
{
    ExifResolution result;
    if (data && size >= 6 && std::memcmp(data, "Exif\0\0", 6) == 0) {
        data += 6;
        size -= 6;
    }
    if (!data || size < 8 || !((data[0] == 'I' && data[1] == 'I') || (data[0] == 'M' && data[1] == 'M')))
        return result;
    const bool little = data[0] == 'I';
    const uint32_t ifd = exif32(data + 4, little);
    if (ifd > size || size - ifd < 2)
        return result;
    const uint16_t count = exif16(data + ifd, little);
    std::optional<double> x, y;
    bool seenX = false, seenY = false, seenUnit = false;
    int unit = 2;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t at = ifd + 2 + size_t(i) * 12;
        if (at + 12 > size)
            break;
        const uint16_t tag = exif16(data + at, little);
        const uint16_t type = exif16(data + at + 2, little);
        const uint32_t components = exif32(data + at + 4, little);
        if ((tag == 0x011A && !seenX) || (tag == 0x011B && !seenY)) {
            (tag == 0x011A ? seenX : seenY) = true;
            const uint32_t offset = exif32(data + at + 8, little);
            if (components < 1 || (type != 5 && type != 10) || offset > size || size - offset < 8)
                continue;
            const uint32_t numerator = exif32(data + offset, little);
            const uint32_t denominator = exif32(data + offset + 4, little);
            if (denominator == 0)
                continue;
            const double value = type == 5 ? double(numerator) / denominator
                                           : double(int32_t(numerator)) / int32_t(denominator);
            if (value > 0.0)
                (tag == 0x011A ? x : y) = value;
        } else if (tag == 0x0128 && !seenUnit) {
            seenUnit = true;
            unit = components >= 1 && type == 3 ? exif16(data + at + 8, little)
                 : components >= 1 && type == 4 ? static_cast<int>(exif32(data + at + 8, little))
                                                 : 0;
        }
    }
    if (unit != 2 && unit != 3)
        return result;
    const ResolutionUnit u = unit == 2 ? ResolutionUnit::Inch : ResolutionUnit::Centimetre;
    if (x)
        result.horizontal = dotsPerInch(*x, u);
    if (y)
        result.vertical = dotsPerInch(*y, u);
    if (!result.horizontal)
        result.horizontal = result.vertical;
    if (!result.vertical)
        result.vertical = result.horizontal;
    return result;
}

void setResolution(ImageDetails& details, ResolutionSource source, std::optional<double> horizontal,
                   std::optional<double> vertical)
{
    if (!horizontal)
        horizontal = vertical;
    if (!vertical)
        vertical = horizontal;
    if (!vertical)
        return;
    details.resolutionSource = source;
    details.horizontalDpi = horizontal;
    details.verticalDpi = vertical;
}

void jpegDetails(ImageDetails& details, const jpeg_decompress_struct& cinfo, const unsigned char* exif,
                 size_t exifSize)
{
    details.bitsPerSample = cinfo.data_precision;
    details.pages = 1;
    const ExifResolution fromExif = exif ? exifResolution(exif, exifSize) : ExifResolution{};
    // The same choice as the measure: a JFIF density with a unit wins.
    const bool jfif = cinfo.saw_JFIF_marker && (cinfo.density_unit == 1 || cinfo.density_unit == 2)
        && cinfo.Y_density > 0;
    if (jfif) {
        const ResolutionUnit unit = cinfo.density_unit == 1 ? ResolutionUnit::Inch : ResolutionUnit::Centimetre;
        std::optional<double> horizontal;
        if (cinfo.X_density > 0)
            horizontal = dotsPerInch(cinfo.X_density, unit);
        setResolution(details, ResolutionSource::Jfif, horizontal, dotsPerInch(cinfo.Y_density, unit));
        if (fromExif.vertical
            && (differ(*fromExif.vertical, *details.verticalDpi) || differ(*fromExif.horizontal, *details.horizontalDpi)))
            details.conflictingExifDpi = fromExif.vertical;
    } else {
        setResolution(details, ResolutionSource::Exif, fromExif.horizontal, fromExif.vertical);
    }
    jpegProfile(details, cinfo);
}

void pngProfile(ImageDetails& details, const unsigned char* chunk, size_t size)
{
    notePresentProfile(details);
    const void* end = std::memchr(chunk, 0, std::min<size_t>(size, 80));
    if (!end)
        return;
    const size_t start = static_cast<const unsigned char*>(end) - chunk + 2; // the NUL and the method
    if (start >= size || chunk[start - 1] != 0)
        return;
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return;
    std::vector<unsigned char> profile(std::min<size_t>(maxProfileBytes, 64 * 1024));
    stream.next_in = const_cast<unsigned char*>(chunk + start);
    stream.avail_in = static_cast<uInt>(size - start);
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out == profile.size()) {
            if (profile.size() >= maxProfileBytes)
                break;
            profile.resize(std::min(profile.size() * 4, maxProfileBytes));
        }
        stream.next_out = profile.data() + stream.total_out;
        stream.avail_out = static_cast<uInt>(profile.size() - stream.total_out);
        status = inflate(&stream, Z_NO_FLUSH);
    }
    const size_t produced = stream.total_out;
    inflateEnd(&stream);
    if (status == Z_STREAM_END || produced > 0)
        setProfile(details, profile.data(), produced);
}

void tiffDetails(ImageDetails& details, TIFF* tiff)
{
    uint16_t bits = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    details.bitsPerSample = bits;
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extra) {
        // Every extra sample beyond the first alpha one is an extra channel
        // (unspecified data: spot colours and the like).
        for (uint16_t i = 0; i < extraCount; ++i) {
            const bool isAlpha = extra[i] == EXTRASAMPLE_ASSOCALPHA || extra[i] == EXTRASAMPLE_UNASSALPHA;
            if (isAlpha && !details.alpha)
                details.alpha = true;
            else
                ++details.extraChannels;
        }
    }
    uint32_t profileSize = 0;
    void* profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &profileSize, &profile) && profile && profileSize > 0)
        setProfile(details, static_cast<const unsigned char*>(profile), profileSize);

    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    setResolution(details, ResolutionSource::TiffTags, tiffResolution(tiff, TIFFTAG_XRESOLUTION, unit),
                  tiffResolution(tiff, TIFFTAG_YRESOLUTION, unit));
    // Walks the chain of directories (each read for its count and link only);
    // libtiff stops at a loop.
    details.pages = static_cast<int>(TIFFNumberOfDirectories(tiff));
}

void webpDetails(ImageDetails& details, const HeaderFile& file, bool alpha, bool extended)
{
    details.bitsPerSample = 8;
    details.alpha = alpha;
    details.pages = 1;
    if (!extended)
        return;
    unsigned char vp8x[18];
    if (file.readAt(12, vp8x, sizeof vp8x) != sizeof vp8x)
        return;
    const uint8_t flags = vp8x[8];
    const bool animated = flags & 0x02;
    int frames = 0;
    int64_t offset = 12;
    for (int i = 0; i < maxWalkSteps && offset + 8 <= file.size(); ++i) {
        unsigned char chunk[8];
        if (file.readAt(offset, chunk, sizeof chunk) != sizeof chunk)
            break;
        const uint32_t size = littleEndian32(chunk + 4);
        const bool whole = offset + 8 + int64_t(size) <= file.size();
        if (std::memcmp(chunk, "ANMF", 4) == 0) {
            ++frames;
        } else if (std::memcmp(chunk, "ICCP", 4) == 0 && (flags & 0x20)) {
            if (!whole || size > maxProfileBytes) {
                notePresentProfile(details);
            } else {
                std::vector<unsigned char> profile(size);
                if (file.readAt(offset + 8, profile.data(), size) == size)
                    setProfile(details, profile.data(), profile.size());
            }
        } else if (std::memcmp(chunk, "EXIF", 4) == 0 && (flags & 0x08) && whole && size <= 256 * 1024) {
            std::vector<unsigned char> exif(size);
            if (file.readAt(offset + 8, exif.data(), size) == size) {
                const ExifResolution r = exifResolution(exif.data(), exif.size());
                setResolution(details, ResolutionSource::Exif, r.horizontal, r.vertical);
            }
        }
        offset += 8 + int64_t(size) + (size & 1);
    }
    if (animated && frames > 0)
        details.pages = frames;
}

void gifDetails(ImageDetails& details, HeaderFile& file)
{
    details.bitsPerSample = 8;
    details.pages = 1;
    FILE* in = file.stream();
    if (!in || std::fseek(in, 10, SEEK_SET) != 0)
        return;
    const int screen = std::fgetc(in);
    if (screen == EOF || std::fseek(in, 2, SEEK_CUR) != 0)
        return;
    if (screen & 0x80)
        std::fseek(in, 3L << ((screen & 7) + 1), SEEK_CUR);
    auto skipSubBlocks = [in] {
        for (int i = 0; i < maxWalkSteps * 16; ++i) {
            const int length = std::fgetc(in);
            if (length == EOF)
                return false;
            if (length == 0)
                return true;
            if (std::fseek(in, length, SEEK_CUR) != 0)
                return false;
        }
        return false;
    };
    int frames = 0;
    for (int step = 0; step < maxWalkSteps; ++step) {
        const int kind = std::fgetc(in);
        if (kind == 0x2C) { // an image
            unsigned char descriptor[9];
            if (std::fread(descriptor, 1, sizeof descriptor, in) != sizeof descriptor)
                break;
            ++frames;
            if (descriptor[8] & 0x80)
                std::fseek(in, 3L << ((descriptor[8] & 7) + 1), SEEK_CUR);
            if (std::fgetc(in) == EOF || !skipSubBlocks()) // the LZW code size, then the data
                break;
        } else if (kind == 0x21) { // an extension
            const int label = std::fgetc(in);
            if (label == 0xF9) { // graphic control: a transparent colour makes an alpha channel
                unsigned char control[2];
                if (std::fread(control, 1, sizeof control, in) != sizeof control)
                    break;
                details.alpha = details.alpha || (control[1] & 0x01);
                std::fseek(in, -2, SEEK_CUR); // back to the block's length
            }
            if (label == EOF || !skipSubBlocks())
                break;
        } else {
            break; // the trailer, or damage
        }
    }
    details.pages = frames > 0 ? frames : 1;
}

} // namespace quorvel::platform::header
