#include "platform/loader/InkRead.h"

#include <vips/vips.h>

#include <algorithm>

namespace quorvel::platform::loader {
namespace {

// Drops a reference when it goes out of scope.
template <typename T>
struct Held {
    T* object = nullptr;
    ~Held()
    {
        if (object)
            g_object_unref(object);
    }
};

} // namespace

InkResult readVipsInk(int fd, InkStatistics& ink, int rowsAtOnce)
{
    Held<VipsSource> source{vips_source_new_from_descriptor(fd)};
    if (!source.object) {
        vips_error_clear();
        return InkResult::Unreadable;
    }
    // Sequential: the loader decodes top to bottom and keeps only the rows in use.
    Held<VipsImage> image{vips_image_new_from_source(source.object, "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr)};
    if (!image.object) {
        vips_error_clear();
        return InkResult::Unreadable;
    }
    VipsImage* in = image.object;
    const int bands = vips_image_get_bands(in);
    const VipsBandFormat format = vips_image_get_format(in);
    if (vips_image_get_interpretation(in) != VIPS_INTERPRETATION_CMYK || bands < 4
        || (format != VIPS_FORMAT_UCHAR && format != VIPS_FORMAT_USHORT))
        return InkResult::NotCmyk;

    const int width = vips_image_get_width(in);
    const int height = vips_image_get_height(in);
    Held<VipsRegion> region{vips_region_new(in)};
    if (!region.object) {
        vips_error_clear();
        return InkResult::Unreadable;
    }
    InkStatistics gathered;
    const int step = std::max(1, rowsAtOnce);
    for (int top = 0; top < height; top += step) {
        VipsRect rows{0, top, width, std::min(step, height - top)};
        if (vips_region_prepare(region.object, &rows) != 0) {
            vips_error_clear();
            return InkResult::Unreadable;
        }
        for (int y = rows.top; y < rows.top + rows.height; ++y) {
            const VipsPel* row = VIPS_REGION_ADDR(region.object, 0, y);
            if (format == VIPS_FORMAT_UCHAR)
                gathered.addRow8(row, size_t(width), bands);
            else
                gathered.addRow16(reinterpret_cast<const uint16_t*>(row), size_t(width), bands);
        }
    }
    ink = gathered;
    return InkResult::Measured;
}

} // namespace quorvel::platform::loader
