#include "platform/header/ImageFileReader.h"

#include "platform/VipsRuntime.h"

#include <vips/vips8>

#include <sys/stat.h>

namespace quorvel::platform {

// Interim reader through libvips alone; the formats' own libraries replace it.
ImageHeader ImageFileReader::readHeader(const std::string& path) const
{
    ImageHeader header;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return header;
    ensureVipsStarted();
    VipsImage* image = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
    if (!image) {
        vips_error_clear();
        return header;
    }
    header.readable = true;
    header.pixelsHigh = vips_image_get_height(image);
    header.pixelsWide = vips_image_get_width(image);
    header.verticalDpi = vips_image_get_yres(image) * 25.4;
    switch (vips_image_get_interpretation(image)) {
    case VIPS_INTERPRETATION_CMYK: header.colourSpaceName = std::string(colourspace::cmyk); break;
    case VIPS_INTERPRETATION_sRGB:
    case VIPS_INTERPRETATION_RGB16: header.colourSpaceName = std::string(colourspace::rgb); break;
    case VIPS_INTERPRETATION_B_W:
    case VIPS_INTERPRETATION_GREY16: header.colourSpaceName = std::string(colourspace::grayscale); break;
    default: header.colourSpaceName = "Other"; break;
    }
    g_object_unref(image);
    return header;
}

} // namespace quorvel::platform
