#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"

#include <cmath>
#include <cstdarg>
#include <limits>

#include <tiffio.h>

namespace quorvel::platform::header {
namespace {

// Large tags (profiles, layers, Photoshop resources) past this size are
// dropped rather than read; the measure needs none of them. A 16-bit colour
// map (384 KiB) still fits.
constexpr tmsize_t maxTagAllocation = 512 * 1024;

struct TiffSource {
    HeaderFile* file;
    toff_t offset;
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size)
{
    auto* source = static_cast<TiffSource*>(handle);
    if (size <= 0)
        return 0;
    const size_t n = source->file->readAt(static_cast<int64_t>(source->offset), buffer, static_cast<size_t>(size));
    source->offset += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t, void*, tmsize_t)
{
    return -1;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence)
{
    auto* source = static_cast<TiffSource*>(handle);
    switch (whence) {
    case SEEK_SET: source->offset = offset; break;
    case SEEK_CUR: source->offset += offset; break;
    case SEEK_END: source->offset = static_cast<toff_t>(source->file->size()) + offset; break;
    default: return static_cast<toff_t>(-1);
    }
    return source->offset;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t handle)
{
    return static_cast<toff_t>(static_cast<TiffSource*>(handle)->file->size());
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0; // never map: a file cut short under a mapping would fault
}

void unmapProc(thandle_t, void*, toff_t) {}

// Per-handle handlers: silent, and they leave the global ones alone.
int silentHandler(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

std::optional<std::string> tiffColourSpace(TIFF* tiff)
{
    uint16_t samples = 1, bits = 1, format = SAMPLEFORMAT_UINT, inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    uint16_t photometric = 0;
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;

    const bool isFloat = format == SAMPLEFORMAT_IEEEFP;
    const bool integer8or16 = !isFloat && (bits == 8 || bits == 16);
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if (samples > 2)
            return std::string(othername::multiband);
        if (!isFloat && (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16))
            return std::string(colourspace::grayscale);
        return depthVariantName("Gray", bits, isFloat);
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_YCBCR:
        if (samples < 3 || samples > 4)
            return std::string(othername::multiband);
        if (integer8or16)
            return std::string(colourspace::rgb);
        return depthVariantName("RGB", bits, isFloat);
    case PHOTOMETRIC_PALETTE:
        return std::string(colourspace::rgb);
    case PHOTOMETRIC_SEPARATED:
        TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inkSet);
        if (inkSet != INKSET_CMYK)
            return std::string(othername::deviceN);
        if (samples < 4 || samples > 5)
            return std::string(othername::multiband);
        return std::string(colourspace::cmyk);
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
    case PHOTOMETRIC_ITULAB:
        return std::string(othername::lab);
    case PHOTOMETRIC_LOGL: return std::string("LogL");
    case PHOTOMETRIC_LOGLUV: return std::string("LogLuv");
    case PHOTOMETRIC_MASK: return std::string("Mask");
    case PHOTOMETRIC_CFA: return std::string("CFA");
    default: return std::string(othername::multiband);
    }
}

std::optional<double> tiffVerticalDpi(TIFF* tiff)
{
    float value = 0.0f;
    if (!TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &value) && !TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &value))
        return std::nullopt;
    if (!(value > 0.0f) || !std::isfinite(value))
        return std::nullopt;
    uint16_t unit = RESUNIT_INCH; // the format's default when the tag is absent
    TIFFGetField(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
    switch (unit) {
    case RESUNIT_INCH: return dotsPerInch(value, ResolutionUnit::Inch);
    case RESUNIT_CENTIMETER: return dotsPerInch(value, ResolutionUnit::Centimetre);
    default: return std::nullopt; // "none": only an aspect ratio
    }
}

} // namespace

ImageHeader readTiffHeader(HeaderFile& file, ImageDetails* details)
{
    ImageHeader header;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        return header;
    // Details read the embedded profile, which may be larger.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, details ? 8 * maxTagAllocation : maxTagAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, silentHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, silentHandler, nullptr);

    TiffSource source {&file, 0};
    // "m": no mapping; "O": strip tables are loaded only on demand, so their
    // size (which grows with the pixel count) costs nothing here.
    TIFF* tiff = TIFFClientOpenExt("image", "rmO", &source, readProc, writeProc, seekProc, closeProc,
                                   sizeProc, mapProc, unmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return header;

    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    constexpr uint32_t maxSide = std::numeric_limits<int32_t>::max();
    if (width > maxSide || height > maxSide)
        header.unreadableReason = UnreadableReason::TooLarge;
    if (width > 0 && height > 0 && width <= maxSide && height <= maxSide) {
        header.readable = true;
        header.pixelsHigh = static_cast<int32_t>(height);
        header.pixelsWide = static_cast<int32_t>(width);
        header.colourSpaceName = tiffColourSpace(tiff);
        header.verticalDpi = tiffVerticalDpi(tiff);
        if (details)
            tiffDetails(*details, tiff);
    }
    TIFFClose(tiff);
    return header;
}

} // namespace quorvel::platform::header
