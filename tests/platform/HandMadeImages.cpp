#include "HandMadeImages.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <webp/encode.h>

namespace quorvel::test {

bool writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bool(out);
}

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writePng(const std::string& path, const PngSpec& recipe)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, recipe.width, recipe.height, recipe.bitDepth, recipe.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    if (recipe.colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, palette, 4);
    if (recipe.phys)
        png_set_pHYs(png, info, recipe.phys->x, recipe.phys->y, recipe.phys->unit);
    std::vector<png_byte> privateData(recipe.privateChunkBytes, 0x5a);
    png_unknown_chunk chunk {};
    if (recipe.privateChunkBytes > 0) {
        std::memcpy(chunk.name, "prVt", 5);
        chunk.data = privateData.data();
        chunk.size = privateData.size();
        chunk.location = PNG_HAVE_PLTE;
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, nullptr, 0);
        png_set_unknown_chunks(png, info, &chunk, 1);
    }
    png_write_info(png, info);
    const int channels = recipe.colourType == PNG_COLOR_TYPE_RGB ? 3
        : recipe.colourType == PNG_COLOR_TYPE_RGB_ALPHA          ? 4
        : recipe.colourType == PNG_COLOR_TYPE_GRAY_ALPHA         ? 2
                                                               : 1;
    std::vector<png_byte> row((recipe.width * channels * recipe.bitDepth + 7) / 8 + 1, 0);
    for (uint32_t y = 0; y < recipe.height; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool writeTiff(const std::string& path, const TiffSpec& recipe)
{
    std::string mode = "w";
    mode += recipe.bigEndian ? "b" : "l";
    if (recipe.bigTiff)
        mode += "8";
    TIFF* tiff = TIFFOpen(path.c_str(), mode.c_str());
    if (!tiff)
        return false;
    const int pages = recipe.secondPage ? 2 : 1;
    for (int page = 0; page < pages; ++page) {
        const uint32_t width = recipe.width * (page + 1);
        const uint32_t height = recipe.height * (page + 1);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, recipe.samples);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, recipe.bits);
        TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, recipe.sampleFormat);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, recipe.photometric);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, height);
        if (recipe.extraSamples > 0) {
            std::vector<uint16_t> kinds(recipe.extraSamples, EXTRASAMPLE_UNASSALPHA);
            TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, recipe.extraSamples, kinds.data());
        }
        if (recipe.inkSet)
            TIFFSetField(tiff, TIFFTAG_INKSET, *recipe.inkSet);
        std::vector<uint16_t> map;
        if (recipe.photometric == PHOTOMETRIC_PALETTE && recipe.bits <= 16) {
            map.assign(size_t(1) << recipe.bits, 0);
            TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data(), map.data());
        }
        if (recipe.xResolution)
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, *recipe.xResolution);
        if (recipe.yResolution)
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, *recipe.yResolution);
        if (recipe.resolutionUnit)
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, *recipe.resolutionUnit);
        if (!recipe.photoshopResources.empty())
            TIFFSetField(tiff, TIFFTAG_PHOTOSHOP, static_cast<uint32_t>(recipe.photoshopResources.size()),
                         recipe.photoshopResources.data());
        std::vector<unsigned char> profile(recipe.largeTagBytes, 0x11);
        if (!profile.empty())
            TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
        const tmsize_t stripSize = TIFFStripSize(tiff);
        std::vector<unsigned char> strip(static_cast<size_t>(stripSize), 0);
        if (TIFFWriteEncodedStrip(tiff, 0, strip.data(), stripSize) < 0 || !TIFFWriteDirectory(tiff)) {
            TIFFClose(tiff);
            return false;
        }
    }
    TIFFClose(tiff);
    return true;
}

namespace {

void put16(Bytes& out, uint16_t v, bool big)
{
    if (big) {
        out.push_back(v >> 8);
        out.push_back(v & 0xff);
    } else {
        out.push_back(v & 0xff);
        out.push_back(v >> 8);
    }
}

void put32(Bytes& out, uint32_t v, bool big)
{
    if (big) {
        put16(out, v >> 16, true);
        put16(out, v & 0xffff, true);
    } else {
        put16(out, v & 0xffff, false);
        put16(out, v >> 16, false);
    }
}

} // namespace

Bytes exifBlock(const ExifSpec& recipe)
{
    const bool big = recipe.bigEndian;
    struct Entry { uint16_t tag; uint16_t type; std::pair<uint32_t, uint32_t> rational; uint16_t shortValue; };
    std::vector<Entry> entries;
    if (recipe.xResolution)
        entries.push_back({0x011A, 5, *recipe.xResolution, 0});
    if (recipe.yResolution)
        entries.push_back({0x011B, 5, *recipe.yResolution, 0});
    if (recipe.unit)
        entries.push_back({0x0128, 3, {}, *recipe.unit});

    Bytes tiff;
    tiff.insert(tiff.end(), big ? "MM" : "II", (big ? "MM" : "II") + 2);
    put16(tiff, 42, big);
    put32(tiff, 8, big);
    put16(tiff, static_cast<uint16_t>(entries.size()), big);
    uint32_t dataOffset = 8 + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    Bytes data;
    for (const Entry& e : entries) {
        put16(tiff, e.tag, big);
        put16(tiff, e.type, big);
        put32(tiff, 1, big);
        if (e.type == 5) {
            put32(tiff, dataOffset + static_cast<uint32_t>(data.size()), big);
            put32(data, e.rational.first, big);
            put32(data, e.rational.second, big);
        } else {
            put16(tiff, e.shortValue, big);
            put16(tiff, 0, big);
        }
    }
    put32(tiff, 0, big); // no further IFD
    tiff.insert(tiff.end(), data.begin(), data.end());

    Bytes block;
    if (recipe.withPrefix)
        block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), tiff.begin(), tiff.end());
    return block;
}

bool writeJpeg(const std::string& path, const JpegSpec& recipe)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr error {};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = recipe.width;
    cinfo.image_height = recipe.height;
    switch (recipe.store) {
    case JpegStore::Grey: cinfo.input_components = 1; cinfo.in_color_space = JCS_GRAYSCALE; break;
    case JpegStore::YCbCr:
    case JpegStore::RGB: cinfo.input_components = 3; cinfo.in_color_space = JCS_RGB; break;
    case JpegStore::CMYK:
    case JpegStore::YCCK: cinfo.input_components = 4; cinfo.in_color_space = JCS_CMYK; break;
    }
    jpeg_set_defaults(&cinfo);
    const J_COLOR_SPACE stored[] = {JCS_GRAYSCALE, JCS_YCbCr, JCS_RGB, JCS_CMYK, JCS_YCCK};
    jpeg_set_colorspace(&cinfo, stored[static_cast<int>(recipe.store)]);
    if (recipe.progressive)
        jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = recipe.jfif;
    cinfo.density_unit = recipe.jfifUnit;
    cinfo.X_density = recipe.xDensity;
    cinfo.Y_density = recipe.yDensity;
    jpeg_start_compress(&cinfo, TRUE);
    if (recipe.xmpBeforeExif) {
        const std::string xmp = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta/>";
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(xmp.data()),
                          static_cast<unsigned>(xmp.size()));
    }
    if (!recipe.exif.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, recipe.exif.data(), static_cast<unsigned>(recipe.exif.size()));
    std::vector<JSAMPLE> row(static_cast<size_t>(recipe.width) * cinfo.input_components, 100);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows, 1);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(file) == 0;
}

bool writeWebp(const std::string& path, int width, int height, const Bytes& exif)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 90);
    uint8_t* encoded = nullptr;
    const size_t size = WebPEncodeRGB(rgb.data(), width, height, width * 3, 80, &encoded);
    if (size == 0)
        return false;
    Bytes simple(encoded, encoded + size);
    WebPFree(encoded);
    if (exif.empty())
        return writeBytes(path, simple);

    // RIFF, a VP8X chunk announcing EXIF, the image chunk, the EXIF chunk.
    Bytes body = {'W', 'E', 'B', 'P', 'V', 'P', '8', 'X'};
    put32(body, 10, false);
    body.insert(body.end(), {0x08, 0, 0, 0});
    for (int v : {width - 1, height - 1}) {
        body.push_back(v & 0xff);
        body.push_back((v >> 8) & 0xff);
        body.push_back((v >> 16) & 0xff);
    }
    body.insert(body.end(), simple.begin() + 12, simple.end());
    body.insert(body.end(), {'E', 'X', 'I', 'F'});
    put32(body, static_cast<uint32_t>(exif.size()), false);
    body.insert(body.end(), exif.begin(), exif.end());
    if (exif.size() & 1)
        body.push_back(0);
    Bytes file = {'R', 'I', 'F', 'F'};
    put32(file, static_cast<uint32_t>(body.size()), false);
    file.insert(file.end(), body.begin(), body.end());
    return writeBytes(path, file);
}

Bytes gifBytes(uint16_t width, uint16_t height)
{
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
    put16(gif, width, false);
    put16(gif, height, false);
    gif.insert(gif.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255}); // two-colour global palette
    gif.push_back(',');
    put16(gif, 0, false);
    put16(gif, 0, false);
    put16(gif, width, false);
    put16(gif, height, false);
    gif.insert(gif.end(), {0, 2, 2, 0x4c, 0x01, 0, ';'});
    return gif;
}

} // namespace quorvel::test
