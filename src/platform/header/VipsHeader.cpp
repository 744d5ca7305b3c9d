#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"
#include "platform/VipsRuntime.h"
#include "platform/VipsSource.h"

#include <vips/vips.h>

namespace quorvel::platform::header {
namespace {

std::optional<std::string> vipsColourSpace(VipsImage* image)
{
    const int bands = vips_image_get_bands(image);
    const VipsBandFormat format = vips_image_get_format(image);
    const bool integer8or16 = format == VIPS_FORMAT_UCHAR || format == VIPS_FORMAT_USHORT;
    const bool isFloat = vips_band_format_isfloat(format) || vips_band_format_iscomplex(format);
    const int bits = static_cast<int>(vips_format_sizeof(format)) * 8;
    switch (vips_image_get_interpretation(image)) {
    case VIPS_INTERPRETATION_B_W:
    case VIPS_INTERPRETATION_GREY16:
        if (bands > 2)
            return std::string(othername::multiband);
        if (integer8or16)
            return std::string(colourspace::grayscale);
        return depthVariantName("Gray", bits, isFloat);
    case VIPS_INTERPRETATION_sRGB:
    case VIPS_INTERPRETATION_RGB16:
    case VIPS_INTERPRETATION_RGB:
        if (bands < 3 || bands > 4)
            return std::string(othername::multiband);
        if (integer8or16)
            return std::string(colourspace::rgb);
        return depthVariantName("RGB", bits, isFloat);
    case VIPS_INTERPRETATION_CMYK:
        if (bands < 4 || bands > 5)
            return std::string(othername::multiband);
        return std::string(colourspace::cmyk);
    case VIPS_INTERPRETATION_LAB:
    case VIPS_INTERPRETATION_LABQ:
    case VIPS_INTERPRETATION_LABS: return std::string(othername::lab);
    case VIPS_INTERPRETATION_LCH: return std::string("LCh");
    case VIPS_INTERPRETATION_CMC: return std::string("CMC");
    case VIPS_INTERPRETATION_XYZ: return std::string("XYZ");
    case VIPS_INTERPRETATION_YXY: return std::string("Yxy");
    case VIPS_INTERPRETATION_scRGB: return std::string("scRGB");
    case VIPS_INTERPRETATION_HSV: return std::string("HSV");
    default: return std::string(othername::multiband);
    }
}

// libvips fills in a resolution for every image, mostly one the file never
// recorded: trust only an EXIF block that the loader kept.
std::optional<double> vipsVerticalDpi(VipsImage* image)
{
    if (!vips_image_get_typeof(image, VIPS_META_EXIF_NAME))
        return std::nullopt;
    const void* data = nullptr;
    size_t size = 0;
    if (vips_image_get_blob(image, VIPS_META_EXIF_NAME, &data, &size) != 0)
        return std::nullopt;
    return exifVerticalDpi(static_cast<const unsigned char*>(data), size);
}

VipsImage* openThroughDescriptor(const HeaderFile& file)
{
    // Through the descriptor already checked to be a regular file, so the
    // path cannot have turned into a pipe in the meantime. No loader that
    // hostile input may reach needs the path: each also reads a source.
    VipsSource* source = openTrustedSource(file);
    if (!source)
        return nullptr;
    VipsImage* image = vips_image_new_from_source(source, "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    g_object_unref(source);
    return image;
}

} // namespace

ImageHeader readVipsHeader(HeaderFile& file, const std::string& /*path*/, ImageDetails* details)
{
    ImageHeader header;
    VipsImage* image = openThroughDescriptor(file);
    if (!image) {
        vips_error_clear();
        return header;
    }
    const int width = vips_image_get_width(image);
    const int height = vips_image_get_height(image);
    if (width > 0 && height > 0) {
        header.readable = true;
        header.pixelsHigh = height;
        header.pixelsWide = width;
        header.colourSpaceName = vipsColourSpace(image);
        header.verticalDpi = vipsVerticalDpi(image);
        if (details)
            vipsDetails(*details, image, header.verticalDpi);
    }
    g_object_unref(image);
    vips_error_clear();
    return header;
}

} // namespace quorvel::platform::header
