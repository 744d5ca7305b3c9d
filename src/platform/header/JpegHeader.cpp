#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

#include "check/Resolution.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace quorvel::platform::header {
namespace {

// All state the library calls back into. Plain data only: errors leave the
// library by longjmp, which must never skip a destructor.
struct JpegContext {
    jpeg_error_mgr error;
    std::jmp_buf jump;
    jpeg_source_mgr source;
    HeaderFile* file;
    int64_t position; // of the next byte to read into the buffer
    JOCTET buffer[16 * 1024];
    // The first APP1 segment that carries EXIF; one segment is at most 65533
    // bytes, so a file with thousands of APP1 segments costs no more.
    bool haveExif;
    bool saveProfile; // details: keep the APP2 segments of an ICC profile
    unsigned exifSize;
    unsigned char exif[65535];
};

JpegContext* contextOf(j_common_ptr cinfo)
{
    return static_cast<JpegContext*>(cinfo->client_data);
}

[[noreturn]] void failJpeg(j_common_ptr cinfo)
{
    std::longjmp(contextOf(cinfo)->jump, 1);
}

void silentMessage(j_common_ptr, int) {}
void silentOutput(j_common_ptr) {}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

boolean fillBuffer(j_decompress_ptr cinfo)
{
    JpegContext* context = contextOf(reinterpret_cast<j_common_ptr>(cinfo));
    const size_t n = context->file->readAt(context->position, context->buffer, sizeof context->buffer);
    context->position += static_cast<int64_t>(n);
    if (n == 0)
        ERREXIT(cinfo, JERR_INPUT_EOF); // the file ends inside its header
    context->source.next_input_byte = context->buffer;
    context->source.bytes_in_buffer = n;
    return TRUE;
}

void skipData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    JpegContext* context = contextOf(reinterpret_cast<j_common_ptr>(cinfo));
    jpeg_source_mgr& source = context->source;
    if (static_cast<size_t>(count) <= source.bytes_in_buffer) {
        source.next_input_byte += count;
        source.bytes_in_buffer -= static_cast<size_t>(count);
        return;
    }
    // Step over the rest (an embedded profile, a thumbnail) without reading it.
    context->position += count - static_cast<long>(source.bytes_in_buffer);
    source.bytes_in_buffer = 0;
}

int nextByte(j_decompress_ptr cinfo)
{
    jpeg_source_mgr* source = cinfo->src;
    if (source->bytes_in_buffer == 0)
        (*source->fill_input_buffer)(cinfo);
    --source->bytes_in_buffer;
    return *source->next_input_byte++;
}

// APP1: keeps the first EXIF segment, skips the rest (XMP and the like).
boolean readApp1(j_decompress_ptr cinfo)
{
    JpegContext* context = contextOf(reinterpret_cast<j_common_ptr>(cinfo));
    long length = nextByte(cinfo) << 8;
    length += nextByte(cinfo);
    length -= 2;
    if (length <= 0)
        return TRUE;
    if (context->haveExif || length < 6) {
        skipData(cinfo, length);
        return TRUE;
    }
    jpeg_source_mgr* source = cinfo->src;
    unsigned done = 0;
    while (done < static_cast<unsigned>(length)) {
        if (source->bytes_in_buffer == 0)
            (*source->fill_input_buffer)(cinfo);
        size_t n = std::min<size_t>(source->bytes_in_buffer, static_cast<size_t>(length) - done);
        std::memcpy(context->exif + done, source->next_input_byte, n);
        source->next_input_byte += n;
        source->bytes_in_buffer -= n;
        done += static_cast<unsigned>(n);
    }
    if (std::memcmp(context->exif, "Exif\0\0", 6) == 0) {
        context->haveExif = true;
        context->exifSize = done;
    }
    return TRUE;
}

// Runs the library up to the first scan header. Kept free of C++ objects
// because an error returns here by longjmp.
bool readMarkers(jpeg_decompress_struct* cinfo, JpegContext* context)
{
    if (setjmp(context->jump))
        return false;
    cinfo->err = jpeg_std_error(&context->error);
    context->error.error_exit = failJpeg;
    context->error.emit_message = silentMessage;
    context->error.output_message = silentOutput;
    cinfo->client_data = context; // kept by jpeg_create_decompress
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = 16L * 1024 * 1024;

    context->source.init_source = initSource;
    context->source.fill_input_buffer = fillBuffer;
    context->source.skip_input_data = skipData;
    context->source.resync_to_restart = jpeg_resync_to_restart;
    context->source.term_source = termSource;
    context->source.bytes_in_buffer = 0;
    context->source.next_input_byte = nullptr;
    cinfo->src = &context->source;

    jpeg_set_marker_processor(cinfo, JPEG_APP0 + 1, readApp1);
    if (context->saveProfile)
        jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
    return jpeg_read_header(cinfo, TRUE) == JPEG_HEADER_OK;
}

std::optional<std::string> jpegColourSpace(const jpeg_decompress_struct& cinfo)
{
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE: return std::string(colourspace::grayscale);
    case JCS_YCbCr:
    case JCS_RGB: return std::string(colourspace::rgb);
    case JCS_CMYK:
    case JCS_YCCK: return std::string(colourspace::cmyk);
    default: return std::string(othername::multiband);
    }
}

} // namespace

ImageHeader readJpegHeader(HeaderFile& file, ImageDetails* details)
{
    ImageHeader header;
    // Heap, not stack: the EXIF buffer alone is 64 KiB.
    std::unique_ptr<JpegContext> context(new JpegContext); // no need to zero 80 KiB
    context->file = &file;
    context->position = 0;
    context->haveExif = false;
    context->saveProfile = details != nullptr;
    jpeg_decompress_struct cinfo {};
    const bool ok = readMarkers(&cinfo, context.get());
    if (ok && cinfo.image_height > 0 && cinfo.image_width > 0) {
        header.readable = true;
        header.pixelsHigh = static_cast<int32_t>(cinfo.image_height);
        header.pixelsWide = static_cast<int32_t>(cinfo.image_width);
        header.colourSpaceName = jpegColourSpace(cinfo);
        // JFIF's density when it names a unit; a unit of 0 gives only the
        // aspect ratio, and then EXIF may say more.
        const bool jfifDensity = cinfo.saw_JFIF_marker && (cinfo.density_unit == 1 || cinfo.density_unit == 2)
            && cinfo.Y_density > 0;
        if (jfifDensity)
            header.verticalDpi = dotsPerInch(cinfo.Y_density,
                                             cinfo.density_unit == 1 ? ResolutionUnit::Inch : ResolutionUnit::Centimetre);
        else if (context->haveExif)
            header.verticalDpi = exifVerticalDpi(context->exif, context->exifSize);
        if (details)
            jpegDetails(*details, cinfo, context->haveExif ? context->exif : nullptr, context->exifSize);
    }
    jpeg_destroy_decompress(&cinfo);
    return header;
}

} // namespace quorvel::platform::header
