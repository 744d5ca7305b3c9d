#include "platform/header/DetailReaders.h"

#include "check/Resolution.h"

#include <cmath>

#include <vips/vips.h>

namespace quorvel::platform::header {

void vipsDetails(ImageDetails& details, VipsImage* image, std::optional<double> verticalDpi)
{
    details.bitsPerSample = static_cast<int>(vips_format_sizeof(vips_image_get_format(image))) * 8;
    details.alpha = vips_image_hasalpha(image);
    details.pages = vips_image_get_n_pages(image);
    if (vips_image_get_typeof(image, VIPS_META_ICC_NAME)) {
        const void* data = nullptr;
        size_t size = 0;
        if (vips_image_get_blob(image, VIPS_META_ICC_NAME, &data, &size) == 0)
            setProfile(details, static_cast<const unsigned char*>(data), size);
    }
    if (!verticalDpi)
        return;
    // The measure took the resolution from the format's own header or from EXIF.
    const void* exif = nullptr;
    size_t exifSize = 0;
    if (vips_image_get_typeof(image, VIPS_META_EXIF_NAME)
        && vips_image_get_blob(image, VIPS_META_EXIF_NAME, &exif, &exifSize) == 0) {
        const ExifResolution r = exifResolution(static_cast<const unsigned char*>(exif), exifSize);
        if (r.vertical && std::fabs(*r.vertical - *verticalDpi) < 0.01) {
            setResolution(details, ResolutionSource::Exif, r.horizontal, r.vertical);
            return;
        }
    }
    std::optional<double> horizontal;
    if (vips_image_get_xres(image) > 0.0)
        horizontal = dotsPerInch(vips_image_get_xres(image) * 1000.0, ResolutionUnit::Metre);
    setResolution(details, ResolutionSource::Other, horizontal, verticalDpi);
}

} // namespace quorvel::platform::header
