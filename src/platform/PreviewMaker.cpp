#include "platform/PreviewMaker.h"

#include "platform/VipsSource.h"
#include "platform/header/HeaderFile.h"

#include <QFile>

#include <vips/vips8>

#include <algorithm>
#include <cstring>
#include <memory>

namespace quorvel::platform {
namespace {

// Past this many pixels a preview is not attempted: formats without
// shrink-on-load would decode the whole of a hostile header's claim.
constexpr double maxSourcePixels = 400.0 * 1000 * 1000;

// Some images cannot be shrunk while they decode and are held whole: an
// interlaced PNG or a GIF as pixels, a progressive JPEG as its coefficients
// (two bytes a sample). Past this, no preview.
constexpr double maxWholeImageBytes = 512.0 * 1024 * 1024;

bool allowed(VipsImage* header)
{
    const double pixels = double(vips_image_get_width(header)) * vips_image_get_height(header);
    if (pixels > maxSourcePixels)
        return false;
    int interlaced = 0;
    if (vips_image_get_typeof(header, "interlaced"))
        vips_image_get_int(header, "interlaced", &interlaced);
    const char* loader = nullptr;
    const bool gif = vips_image_get_typeof(header, "vips-loader")
        && vips_image_get_string(header, "vips-loader", &loader) == 0 && loader
        && std::strncmp(loader, "gifload", 7) == 0;
    if (!interlaced && !gif)
        return true;
    const double sampleBytes = std::max<double>(2.0, vips_format_sizeof(vips_image_get_format(header)));
    return pixels * vips_image_get_bands(header) * sampleBytes <= maxWholeImageBytes;
}

QImage toQImage(VipsImage* image)
{
    const int bands = vips_image_get_bands(image);
    size_t size = 0;
    void* memory = vips_image_write_to_memory(image, &size);
    if (!memory)
        return {};
    const int width = vips_image_get_width(image);
    const int height = vips_image_get_height(image);
    QImage::Format format = bands == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888;
    QImage wrapped(static_cast<const uchar*>(memory), width, height, width * bands, format);
    QImage copy = wrapped.copy();
    g_free(memory);
    return copy;
}

// `load` opens the image (a header only, until pixels are asked for);
// `thumbnail` makes the shrunk one, shrinking on load where the format can.
template<typename Load, typename Thumbnail>
QImage previewOf(Load load, Thumbnail thumbnail)
{
    VipsImage* header = load();
    if (!header)
        return {};
    const bool ok = allowed(header);
    g_object_unref(header);
    if (!ok)
        return {};

    VipsImage* thumb = nullptr;
    if (thumbnail(&thumb) != 0)
        return {};
    try {
        vips::VImage image(thumb); // takes the reference
        if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
            image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        if (image.bands() > 4)
            image = image.extract_band(0, vips::VImage::option()->set("n", 4));
        if (image.format() != VIPS_FORMAT_UCHAR)
            image = image.cast(VIPS_FORMAT_UCHAR);
        return toQImage(image.get_image());
    } catch (const vips::VError&) {
        return {};
    }
}

} // namespace

QImage makePreview(const QString& path, QSize bounds)
{
    if (bounds.width() < 1 || bounds.height() < 1)
        return {};
    // Opened once, as a regular file, without waiting on a pipe: libvips
    // then opens what this descriptor holds, never the path, so a file
    // swapped for a pipe after the check cannot block the preview.
    const std::unique_ptr<header::HeaderFile> file = header::HeaderFile::open(QFile::encodeName(path).toStdString());
    const char* loader = file ? trustedLoader(*file) : nullptr;
    if (!loader)
        return {};
    const int width = bounds.width();
    const int height = bounds.height();
    QImage result;
    if (mapsWholeFile(loader)) {
        // A private copy: libvips maps the whole file for these, and a file
        // cut short while mapped would fault the process.
        VipsSource* source = openTrustedSource(*file);
        if (!source)
            return {};
        result = previewOf(
            [source] { return vips_image_new_from_source(source, "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr); },
            [source, width, height](VipsImage** out) {
                return vips_thumbnail_source(source, out, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
            });
        g_object_unref(source);
    } else {
        // libvips opens what the descriptor holds afresh for each load, so
        // each load sees the file as it is then.
        const std::string name = descriptorName(*file);
        result = previewOf(
            [&name] { return vips_image_new_from_file(name.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, nullptr); },
            [&name, width, height](VipsImage** out) {
                return vips_thumbnail(name.c_str(), out, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
            });
    }
    vips_error_clear();
    return result;
}

} // namespace quorvel::platform
