#pragma once

// Details beyond the measure (check/ImageDetails.h), gathered by the format
// readers in the same pass as the header and only when asked for.

#include "check/ImageDetails.h"

#include <cstddef>
#include <optional>

struct jpeg_decompress_struct;
struct tiff;
struct _VipsImage;

namespace quorvel::platform::header {

class HeaderFile;

// Both axes of an EXIF block's resolution, in dpi; a missing axis takes the
// other's value, as the measure does.
struct ExifResolution {
    std::optional<double> horizontal;
    std::optional<double> vertical;
};
ExifResolution exifResolution(const unsigned char* data, size_t size);

// Records a resolution; a missing axis takes the other's value, and with
// neither the details stay "not recorded".
void setResolution(ImageDetails& details, ResolutionSource source, std::optional<double> horizontal,
                   std::optional<double> vertical);

// JFIF density against EXIF resolution, depth and the profile of a JPEG
// whose header has been read with its APP2 markers saved.
void jpegDetails(ImageDetails& details, const jpeg_decompress_struct& cinfo, const unsigned char* exif,
                 size_t exifSize);
// The raw iCCP chunk: a name, a compression method and the deflated profile.
void pngProfile(ImageDetails& details, const unsigned char* chunk, size_t size);
void tiffDetails(ImageDetails& details, tiff* tiff);
void webpDetails(ImageDetails& details, const HeaderFile& file, bool alpha, bool extended);
void gifDetails(ImageDetails& details, HeaderFile& file);
// In loader/VipsDetails.cpp: only the loader helper reads through libvips.
void vipsDetails(ImageDetails& details, _VipsImage* image, std::optional<double> verticalDpi);

} // namespace quorvel::platform::header
