#pragma once

// The per-format header readers behind ImageFileReader. Each reads only the
// header of the first image, through the format's own library, and returns
// an unreadable header rather than fail in any other way.

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <cstddef>
#include <optional>
#include <string>

namespace quorvel::platform::header {

class HeaderFile;

// With `details`, they also fill in the file's details in the same pass.
ImageHeader readJpegHeader(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readPngHeader(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readTiffHeader(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readWebpHeader(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readGifHeader(HeaderFile& file, ImageDetails* details = nullptr);
// Read by hand: the formats' own layouts, every offset checked against the
// file's size and nothing allocated by what a header claims.
ImageHeader readPsdHeader(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readBmpHeader(HeaderFile& file, ImageDetails* details = nullptr);
// "BM" and an information header of a known size: two letters alone are
// too common at the start of other files.
bool looksLikeBmp(const unsigned char* start, size_t size);
// JPEG 2000: the file format's boxes (the resolution boxes included), or a
// bare codestream, which records no resolution.
ImageHeader readJp2Header(HeaderFile& file, ImageDetails* details = nullptr);
ImageHeader readJ2kHeader(HeaderFile& file, ImageDetails* details = nullptr);
// A start-of-codestream marker followed by the image size marker.
bool looksLikeJ2k(const unsigned char* start, size_t size);
// Bitmaps, grey maps, pixel maps (plain and raw) and arbitrary maps: a text
// header, comments anywhere between its tokens; no resolution recorded.
ImageHeader readNetpbmHeader(HeaderFile& file, ImageDetails* details = nullptr);
// "P1" to "P7" followed by white space or a comment, or alone in the file.
bool looksLikeNetpbm(const unsigned char* start, size_t size);
// Every other format, read by libvips in the confined loader helper through
// the open descriptor (the path is never opened again); a resolution only
// where the file itself recorded one. Unreadable, with the reason, when the
// helper cannot read the file, fails on it or does not answer in time.
ImageHeader readVipsHeader(HeaderFile& file, const std::string& path, ImageDetails* details = nullptr);

// The vertical resolution in dpi recorded in an EXIF block (a TIFF structure,
// with or without the "Exif\0\0" prefix of a JPEG APP1 segment). Empty when
// the block records none, its unit is "none" or unknown, or it is unreadable.
std::optional<double> exifVerticalDpi(const unsigned char* data, size_t size);

// Names of the colour spaces this loader hands out beyond the three of
// check/ColourClass.h; all of them are class Other.
namespace othername {
inline constexpr const char* lab = "Lab";
inline constexpr const char* multiband = "Multiband";
inline constexpr const char* deviceN = "DeviceN";
inline constexpr const char* multichannel = "Multichannel";
inline constexpr const char* duotone = "Duotone";
} // namespace othername

// An unreadable header and why.
inline ImageHeader unreadable(UnreadableReason why)
{
    ImageHeader header;
    header.unreadableReason = why;
    return header;
}

// "RGB 32-bit", "Gray float": a recognised model at a depth that is not one
// of the recognised ones.
std::string depthVariantName(const char* model, int bits, bool isFloat);

} // namespace quorvel::platform::header
