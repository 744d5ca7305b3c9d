#include "platform/header/FormatReaders.h"

#include "check/Resolution.h"

#include <cstring>
#include <vector>

#include <libexif/exif-data.h>
#include <libexif/exif-utils.h>

namespace quorvel::platform::header {
namespace {

constexpr unsigned char exifPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};

std::optional<double> rationalOf(ExifEntry* entry, ExifByteOrder order)
{
    if (!entry || !entry->data || entry->components < 1)
        return std::nullopt;
    double value = 0.0;
    if (entry->format == EXIF_FORMAT_RATIONAL && entry->size >= 8) {
        const ExifRational r = exif_get_rational(entry->data, order);
        if (r.denominator == 0)
            return std::nullopt;
        value = static_cast<double>(r.numerator) / r.denominator;
    } else if (entry->format == EXIF_FORMAT_SRATIONAL && entry->size >= 8) {
        const ExifSRational r = exif_get_srational(entry->data, order);
        if (r.denominator == 0)
            return std::nullopt;
        value = static_cast<double>(r.numerator) / r.denominator;
    } else {
        return std::nullopt;
    }
    if (!(value > 0.0))
        return std::nullopt; // a zero resolution says nothing about size
    return value;
}

} // namespace

std::optional<double> exifVerticalDpi(const unsigned char* data, size_t size)
{
    if (!data || size < 8)
        return std::nullopt;
    // libexif wants the block as a JPEG segment carries it.
    std::vector<unsigned char> prefixed;
    if (size < sizeof exifPrefix || std::memcmp(data, exifPrefix, sizeof exifPrefix) != 0) {
        prefixed.reserve(size + sizeof exifPrefix);
        prefixed.insert(prefixed.end(), exifPrefix, exifPrefix + sizeof exifPrefix);
        prefixed.insert(prefixed.end(), data, data + size);
        data = prefixed.data();
        size = prefixed.size();
    }
    if (size > 0xFFFFFFFFu)
        return std::nullopt;

    ExifData* exif = exif_data_new();
    if (!exif)
        return std::nullopt;
    // Following the standard would fill in a default 72 dpi that the file
    // never recorded.
    exif_data_unset_option(exif, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(exif, data, static_cast<unsigned int>(size));

    std::optional<double> dpi;
    ExifContent* ifd0 = exif->ifd[EXIF_IFD_0];
    const ExifByteOrder order = exif_data_get_byte_order(exif);
    std::optional<double> value = rationalOf(exif_content_get_entry(ifd0, EXIF_TAG_Y_RESOLUTION), order);
    if (!value) // only a horizontal one: pixels are square
        value = rationalOf(exif_content_get_entry(ifd0, EXIF_TAG_X_RESOLUTION), order);
    if (value) {
        int unit = 2; // inch, when the unit is not recorded
        if (ExifEntry* entry = exif_content_get_entry(ifd0, EXIF_TAG_RESOLUTION_UNIT)) {
            if (entry->format == EXIF_FORMAT_SHORT && entry->size >= 2)
                unit = exif_get_short(entry->data, order);
            else if (entry->format == EXIF_FORMAT_LONG && entry->size >= 4)
                unit = static_cast<int>(exif_get_long(entry->data, order));
            else
                unit = 0;
        }
        if (unit == 2)
            dpi = dotsPerInch(*value, ResolutionUnit::Inch);
        else if (unit == 3)
            dpi = dotsPerInch(*value, ResolutionUnit::Centimetre);
    }
    exif_data_unref(exif);
    return dpi;
}

} // namespace quorvel::platform::header
