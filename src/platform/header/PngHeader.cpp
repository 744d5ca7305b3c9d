#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"

#include <cstring>

#include <png.h>

namespace quorvel::platform::header {
namespace {

// The library's own messages go nowhere; an error leaves by longjmp.
[[noreturn]] void failPng(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

struct PngFacts {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colourType;
    bool hasPhys;
    png_uint_32 physY;
    int physUnit;
    // Details only.
    png_uint_32 physX;
    bool transparency;
    png_bytep profileChunk;
    size_t profileChunkSize;
};

// Reads up to the first IDAT chunk. No C++ objects here: errors arrive by longjmp.
bool readInfo(png_structp png, png_infop info, FILE* stream, PngFacts* facts, bool details)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    // The header alone allocates no rows, so any size the format allows is fine.
    png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_chunk_cache_max(png, 128);
    png_set_chunk_malloc_max(png, 512 * 1024);
    // Skip every chunk not needed for the measure (profiles, text, EXIF)
    // without keeping or decompressing it; keep only pHYs.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte keep[] = {'p', 'H', 'Y', 's', 0};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, keep, 1);
    // The profile is kept raw: the library would drop one that does not
    // suit the pixels, which is just what the details warn about.
    static const png_byte profile[] = {'i', 'C', 'C', 'P', 0};
    if (details)
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, profile, 1);
    png_init_io(png, stream);
    png_read_info(png, info);

    int interlace = 0, compression = 0, filter = 0;
    png_get_IHDR(png, info, &facts->width, &facts->height, &facts->bitDepth, &facts->colourType,
                 &interlace, &compression, &filter);
    facts->hasPhys = png_get_pHYs(png, info, &facts->physX, &facts->physY, &facts->physUnit) != 0;
    if (details) {
        facts->transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
        png_unknown_chunkp chunks = nullptr;
        const int count = png_get_unknown_chunks(png, info, &chunks);
        for (int i = 0; i < count; ++i) {
            if (std::memcmp(chunks[i].name, "iCCP", 4) == 0) {
                facts->profileChunk = chunks[i].data;
                facts->profileChunkSize = chunks[i].size;
                break;
            }
        }
    }
    return true;
}

std::optional<std::string> pngColourSpace(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_GRAY_ALPHA: return std::string(colourspace::grayscale);
    case PNG_COLOR_TYPE_RGB:
    case PNG_COLOR_TYPE_RGB_ALPHA:
    case PNG_COLOR_TYPE_PALETTE: return std::string(colourspace::rgb);
    default: return std::string(othername::multiband);
    }
}

} // namespace

ImageHeader readPngHeader(HeaderFile& file, ImageDetails* details)
{
    ImageHeader header;
    FILE* stream = file.stream();
    if (!stream)
        return header;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failPng, ignoreWarning);
    if (!png)
        return header;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return header;
    }
    PngFacts facts {};
    if (readInfo(png, info, stream, &facts, details != nullptr) && facts.width > 0 && facts.height > 0) {
        header.readable = true;
        header.pixelsHigh = static_cast<int32_t>(facts.height);
        header.pixelsWide = static_cast<int32_t>(facts.width);
        header.colourSpaceName = pngColourSpace(facts.colourType);
        // Unit 0 gives only the aspect ratio: no resolution.
        if (facts.hasPhys && facts.physUnit == PNG_RESOLUTION_METER && facts.physY > 0)
            header.verticalDpi = dotsPerInch(facts.physY, ResolutionUnit::Metre);
        if (details) { // the profile lives in `info` until it is destroyed
            details->bitsPerSample = facts.bitDepth;
            details->alpha = (facts.colourType & PNG_COLOR_MASK_ALPHA) || facts.transparency;
            details->pages = 1;
            if (header.verticalDpi) {
                details->resolutionSource = ResolutionSource::PngPhys;
                details->verticalDpi = header.verticalDpi;
                details->horizontalDpi =
                    facts.physX > 0 ? dotsPerInch(facts.physX, ResolutionUnit::Metre) : *header.verticalDpi;
            }
            if (facts.profileChunk)
                pngProfile(*details, facts.profileChunk, facts.profileChunkSize);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return header;
}

} // namespace quorvel::platform::header
