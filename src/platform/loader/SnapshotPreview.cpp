#include "platform/loader/SnapshotPreview.h"

#include "platform/loader/VipsRead.h"

#include <vips/vips.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::loader {
namespace {

// Past this many pixels a preview is not attempted: formats without
// shrink-on-load would decode the whole of a hostile header's claim.
constexpr double maxSourcePixels = 400.0 * 1000 * 1000;

// Some images cannot be shrunk while they decode and are held whole: an
// interlaced PNG or a GIF as pixels, a progressive JPEG as its coefficients
// (two bytes a sample). Past this, no preview.
constexpr double maxWholeImageBytes = 512.0 * 1024 * 1024;

// The largest file copied into memory. A larger one is read through its
// descriptor, except by the loaders that map the whole file: a file cut
// short while mapped would fault the process, so those previews are refused.
constexpr off_t maxSnapshotBytes = 128 * 1024 * 1024;

bool mapsWholeFile(const std::string& loader)
{
    return loader == "webpload" || loader == "gifload";
}

std::string loaderOf(VipsImage* image)
{
    const char* name = nullptr;
    if (vips_image_get_typeof(image, "vips-loader") && vips_image_get_string(image, "vips-loader", &name) == 0 && name)
        return name;
    return {};
}

bool withinLimits(VipsImage* header)
{
    const double pixels = double(vips_image_get_width(header)) * vips_image_get_height(header);
    if (pixels > maxSourcePixels)
        return false;
    int interlaced = 0;
    if (vips_image_get_typeof(header, "interlaced"))
        vips_image_get_int(header, "interlaced", &interlaced);
    const bool gif = loaderOf(header).starts_with("gifload");
    if (!interlaced && !gif)
        return true;
    const double sampleBytes = std::max<double>(2.0, vips_format_sizeof(vips_image_get_format(header)));
    return pixels * vips_image_get_bands(header) * sampleBytes <= maxWholeImageBytes;
}

int freeSnapshot(void* data, void*)
{
    g_free(data);
    return 0;
}

// The file's bytes as they are now: every later read sees this one version,
// however the file changes meanwhile.
VipsSource* snapshotOf(int fd, off_t size)
{
    auto* data = static_cast<unsigned char*>(g_try_malloc(static_cast<size_t>(std::max<off_t>(size, 1))));
    if (!data)
        return nullptr;
    size_t n = 0;
    while (n < static_cast<size_t>(size)) {
        const ssize_t got = ::pread(fd, data + n, static_cast<size_t>(size) - n, static_cast<off_t>(n));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // cut short meanwhile: what is there
        n += static_cast<size_t>(got);
    }
    VipsBlob* blob = vips_blob_new(freeSnapshot, data, n); // owns the copy from here on
    VipsSource* source = vips_source_new_from_blob(blob);
    vips_area_unref(VIPS_AREA(blob));
    return source;
}

// A source for one load: a new reference to the snapshot, or a fresh source
// on the descriptor (which keeps the length it first saw, so it serves one
// load only).
VipsSource* sourceFor(int fd, VipsSource* snapshot)
{
    if (snapshot) {
        g_object_ref(snapshot);
        return snapshot;
    }
    return vips_source_new_from_descriptor(fd);
}

} // namespace

std::string snapshotLoaderFor(int fd)
{
    unsigned char start[12] = {};
    if (::pread(fd, start, sizeof start, 0) != static_cast<ssize_t>(sizeof start))
        return {};
    const std::string_view bytes(reinterpret_cast<const char*>(start), sizeof start);
    const auto at = [&bytes](size_t offset, std::string_view text) { return bytes.substr(offset, text.size()) == text; };
    if (at(0, "\xFF\xD8\xFF"))
        return "jpegload";
    if (at(0, "\x89PNG\r\n\x1A\n"))
        return "pngload";
    if (at(0, std::string_view("II*\0", 4)) || at(0, std::string_view("MM\0*", 4)) || at(0, std::string_view("II+\0", 4))
        || at(0, std::string_view("MM\0+", 4)))
        return "tiffload";
    if (at(0, "RIFF") && at(8, "WEBP"))
        return "webpload";
    if (at(0, "GIF8"))
        return "gifload";
    if (at(4, "ftyp")) {
        for (const std::string_view brand : {"heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif", "avis"})
            if (at(8, brand))
                return "heifload";
    }
    return {};
}

bool makeSnapshotPreview(int fd, const std::string& loader, int width, int height, Preview& preview)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    VipsSource* snapshot = nullptr;
    if (info.st_size <= maxSnapshotBytes) {
        snapshot = snapshotOf(fd, info.st_size);
        if (!snapshot)
            return false;
    } else if (mapsWholeFile(loader)) {
        return false;
    }

    bool allowed = false;
    if (VipsSource* source = sourceFor(fd, snapshot)) {
        if (VipsImage* header = vips_image_new_from_source(source, "", "access", VIPS_ACCESS_SEQUENTIAL, nullptr)) {
            // Read by the loader its signature names, which the limits
            // above were chosen for.
            allowed = loaderOf(header).starts_with(loader) && withinLimits(header);
            g_object_unref(header);
        }
        g_object_unref(source);
    }
    VipsImage* thumb = nullptr;
    int status = -1;
    if (allowed) {
        if (VipsSource* source = sourceFor(fd, snapshot)) {
            // Shrinks on load where the format can; CMYK goes to sRGB
            // through its embedded profile or a standard one, and the
            // orientation the file records is applied.
            status = vips_thumbnail_source(source, &thumb, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
            g_object_unref(source);
        }
    }
    if (snapshot)
        g_object_unref(snapshot);
    return status == 0 && finishPreview(thumb, preview);
}

} // namespace quorvel::platform::loader
