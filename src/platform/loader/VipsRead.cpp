#include "platform/loader/VipsRead.h"

#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/loader/SnapshotPreview.h"

#include <vips/vips8>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <dlfcn.h>
#include <gmodule.h>
#include <sys/stat.h>
#include <unistd.h>
#include <set>
#include <string_view>
#include <utility>

namespace quorvel::platform::loader {
namespace {

// The folder of libvips' loadable modules while they are not loaded yet.
std::string deferredModuleFolder;

// The loaders libvips starts with, when its modules were deferred.
std::vector<GType> builtInLoaders;

void* collectLoaderType(void* loaderClass, void*, void*)
{
    builtInLoaders.push_back(G_TYPE_FROM_CLASS(loaderClass));
    return nullptr;
}

// Where libvips keeps its modules: beside the library itself. Empty when
// there is no such folder (a libvips built without modules).
std::string vipsModuleFolder()
{
    Dl_info where{};
    if (::dladdr(reinterpret_cast<void*>(&vips_init), &where) == 0 || !where.dli_fname)
        return {};
    const std::string library = where.dli_fname;
    const size_t slash = library.rfind('/');
    if (slash == std::string::npos)
        return {};
    const std::string folder = library.substr(0, slash) + "/vips-modules-" + std::to_string(VIPS_MAJOR_VERSION) + '.'
        + std::to_string(VIPS_MINOR_VERSION);
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? folder : std::string();
}

// Loaders that recognise any text as an image, so they would measure notes
// and spreadsheets as images.
constexpr const char* textLoaders[] = {"VipsForeignLoadCsv", "VipsForeignLoadMatrix"};

// ImageMagick's loader has no suffixes of its own in libvips: the formats it
// is here for (icons, targa, PSD and BMP previews, ...). Kept to formats that
// its coders read from their own bytes, never through another program.
constexpr const char* magickSuffixes[] = {"bmp", "cur", "dds", "dib", "ico", "icb", "pcx", "psb", "psd",
                                          "sgi", "tga", "vda", "vst", "xbm", "xpm"};

// Past this many pixels a preview is not attempted: formats without
// shrink-on-load would decode the whole of a hostile header's claim.
constexpr double maxPreviewSourcePixels = 400.0 * 1000 * 1000;

std::string depthVariant(const char* model, int bits, bool isFloat)
{
    return std::string(model) + (isFloat ? " float" : " " + std::to_string(bits) + "-bit");
}

std::optional<std::string> vipsColourSpace(VipsImage* image)
{
    using namespace header;
    const int bands = vips_image_get_bands(image);
    const VipsBandFormat format = vips_image_get_format(image);
    const bool integer8or16 = format == VIPS_FORMAT_UCHAR || format == VIPS_FORMAT_USHORT;
    const bool isFloat = vips_band_format_isfloat(format) || vips_band_format_iscomplex(format);
    const int bits = static_cast<int>(vips_format_sizeof(format)) * 8;
    switch (vips_image_get_interpretation(image)) {
    case VIPS_INTERPRETATION_B_W:
    case VIPS_INTERPRETATION_GREY16:
        if (bands > 2)
            return std::string(othername::multiband);
        if (integer8or16)
            return std::string(colourspace::grayscale);
        return depthVariant("Gray", bits, isFloat);
    case VIPS_INTERPRETATION_sRGB:
    case VIPS_INTERPRETATION_RGB16:
    case VIPS_INTERPRETATION_RGB:
        if (bands < 3 || bands > 4)
            return std::string(othername::multiband);
        if (integer8or16)
            return std::string(colourspace::rgb);
        return depthVariant("RGB", bits, isFloat);
    case VIPS_INTERPRETATION_CMYK:
        if (bands < 4 || bands > 5)
            return std::string(othername::multiband);
        return std::string(colourspace::cmyk);
    case VIPS_INTERPRETATION_LAB:
    case VIPS_INTERPRETATION_LABQ:
    case VIPS_INTERPRETATION_LABS: return std::string(othername::lab);
    case VIPS_INTERPRETATION_LCH: return std::string("LCh");
    case VIPS_INTERPRETATION_CMC: return std::string("CMC");
    case VIPS_INTERPRETATION_XYZ: return std::string("XYZ");
    case VIPS_INTERPRETATION_YXY: return std::string("Yxy");
    case VIPS_INTERPRETATION_scRGB: return std::string("scRGB");
    case VIPS_INTERPRETATION_HSV: return std::string("HSV");
    default: return std::string(othername::multiband);
    }
}

// libvips fills in a resolution for every image, mostly one the file never
// recorded: trust only an EXIF block that the loader kept.
std::optional<double> vipsVerticalDpi(VipsImage* image)
{
    if (!vips_image_get_typeof(image, VIPS_META_EXIF_NAME))
        return std::nullopt;
    const void* data = nullptr;
    size_t size = 0;
    if (vips_image_get_blob(image, VIPS_META_EXIF_NAME, &data, &size) != 0)
        return std::nullopt;
    return header::exifVerticalDpi(static_cast<const unsigned char*>(data), size);
}

// Enough for every loader's signature. Letting libvips sniff the whole file
// instead would let the loaders that look for a first line read to the end
// of a file that has none: minutes for 4 GB of zeros.
constexpr size_t sniffBytes = 64 * 1024;

bool isBlocked(const char* className)
{
    const GType type = g_type_from_name(className);
    if (!type)
        return true;
    auto* operation = static_cast<VipsOperationClass*>(g_type_class_ref(type));
    const bool blocked = operation->flags & VIPS_OPERATION_BLOCKED;
    g_type_class_unref(operation);
    return blocked;
}

// The nickname of an operation class ("jp2kload_source"), empty when none.
std::string nicknameOf(const char* className)
{
    const GType type = g_type_from_name(className);
    if (!type)
        return {};
    auto* object = static_cast<VipsObjectClass*>(g_type_class_ref(type));
    std::string nickname = object->nickname ? object->nickname : "";
    g_type_class_unref(object);
    return nickname;
}

// The first bytes of a file, and which loaders may claim them.
struct Probe {
    VipsSource* source = nullptr;
    const std::vector<unsigned char>* bytes = nullptr;
    bool builtInOnly = false;
};

bool mayClaim(void* loaderClass, const Probe& probe, const char* variant)
{
    if (!vips_ispostfix(VIPS_OBJECT_CLASS(loaderClass)->nickname, variant))
        return false;
    return !probe.builtInOnly
        || std::ranges::find(builtInLoaders, G_TYPE_FROM_CLASS(loaderClass)) != builtInLoaders.end();
}

void* claimsSource(void* loaderClass, void* probeData, void*)
{
    const Probe& probe = *static_cast<Probe*>(probeData);
    auto* load = VIPS_FOREIGN_LOAD_CLASS(loaderClass);
    if (!mayClaim(loaderClass, probe, "_source") || !load->is_a_source)
        return nullptr;
    // A loader may have read rather than peeked.
    (void)vips_source_rewind(probe.source);
    return load->is_a_source(probe.source) ? loaderClass : nullptr;
}

void* claimsBuffer(void* loaderClass, void* probeData, void*)
{
    const Probe& probe = *static_cast<Probe*>(probeData);
    auto* load = VIPS_FOREIGN_LOAD_CLASS(loaderClass);
    if (!mayClaim(loaderClass, probe, "_buffer") || !load->is_a_buffer)
        return nullptr;
    return load->is_a_buffer(probe.bytes->data(), probe.bytes->size()) ? loaderClass : nullptr;
}

// The class of the loader that claims `start`, in libvips' order of rank,
// those that read a source before those that read a buffer; null when none.
const char* claimant(const std::vector<unsigned char>& start, bool builtInOnly)
{
    Probe probe{nullptr, &start, builtInOnly};
    void* found = nullptr;
    if ((probe.source = vips_source_new_from_memory(start.data(), start.size()))) {
        found = vips_foreign_map("VipsForeignLoad", claimsSource, &probe, nullptr);
        g_object_unref(probe.source);
    }
    if (!found)
        found = vips_foreign_map("VipsForeignLoad", claimsBuffer, &probe, nullptr);
    vips_error_clear();
    return found ? G_OBJECT_CLASS_NAME(found) : nullptr;
}

// The loader ("jp2kload_source", "magickload_buffer") for the file open on
// `fd`, chosen from its first bytes by the loaders that read a source or a
// buffer; empty when none recognises them, or the one that does is blocked.
// libvips' own loaders are asked first, its modules' only when none of them
// claims the file: the choice never depends on whether the modules were
// loaded yet (only a file made to be two formats at once would be read
// otherwise than by libvips' single ranking).
std::string fileLoaderFor(int fd)
{
    std::vector<unsigned char> start(sniffBytes);
    const ssize_t n = ::pread(fd, start.data(), start.size(), 0);
    if (n <= 0)
        return {};
    start.resize(static_cast<size_t>(n));
    const bool inTwoSteps = !builtInLoaders.empty();
    const char* found = claimant(start, inTwoSteps);
    if (!found && inTwoSteps) {
        loadDeferredModules();
        found = claimant(start, false);
    }
    if (!found || isBlocked(found))
        return {};
    return nicknameOf(found);
}

// libvips' own account of a failure, on standard error when asked for with
// QUORVEL_LOADER_TRACE=1, then forgotten.
void traceAndClearError(const char* what)
{
    static const bool trace = std::getenv("QUORVEL_LOADER_TRACE") != nullptr;
    if (trace && *vips_error_buffer())
        std::fprintf(stderr, "quorvel-loader: %s: %s", what, vips_error_buffer());
    vips_error_clear();
}

// A buffer loader holds the whole file; no image this program checks is
// larger, and the address-space limit stops it first anyway.
constexpr off_t maxBufferedFile = off_t(768) << 20;

// The whole file open on `fd`, read through the descriptor; null when it
// cannot be read or is too large.
VipsBlob* readWhole(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size <= 0 || info.st_size > maxBufferedFile)
        return nullptr;
    auto* data = static_cast<unsigned char*>(g_try_malloc(size_t(info.st_size)));
    if (!data)
        return nullptr;
    size_t at = 0;
    while (at < size_t(info.st_size)) {
        const ssize_t n = ::pread(fd, data + at, size_t(info.st_size) - at, off_t(at));
        if (n <= 0)
            break;
        at += size_t(n);
    }
    return vips_blob_new(reinterpret_cast<VipsCallbackFn>(g_free), data, at);
}

// Loads the header of the file open on `fd` through that loader, from the
// descriptor (never by reopening a path), without asking every other loader
// about the whole file again.
VipsImage* loadWith(const std::string& loader, int fd)
{
    VipsOperation* operation = vips_operation_new(loader.c_str());
    if (!operation)
        return nullptr;
    VipsImage* image = nullptr;
    int status = -1;
    if (loader.ends_with("_source")) {
        if (VipsSource* source = vips_source_new_from_descriptor(fd)) {
            status = vips_object_set(VIPS_OBJECT(operation), "source", source, "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
            g_object_unref(source);
        }
    } else if (VipsBlob* blob = readWhole(fd)) {
        status = vips_object_set(VIPS_OBJECT(operation), "buffer", blob, "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
        vips_area_unref(VIPS_AREA(blob));
    }
    if (status == 0 && vips_cache_operation_buildp(&operation) == 0)
        g_object_get(operation, "out", &image, nullptr);
    vips_object_unref_outputs(VIPS_OBJECT(operation));
    g_object_unref(operation);
    return image;
}

// Loader base nicknames ("jp2kload") that have a source or buffer variant:
// only their formats can be recognised from the first bytes.
void* collectSniffable(VipsForeignClass* foreignClass, void* set, void*)
{
    std::string nickname = VIPS_OBJECT_CLASS(foreignClass)->nickname;
    for (const std::string_view variant : {"_source", "_buffer"}) {
        if (nickname.ends_with(variant)) {
            nickname.erase(nickname.size() - variant.size());
            static_cast<std::set<std::string>*>(set)->insert(nickname);
        }
    }
    return nullptr;
}

void* collectSuffixes(VipsForeignClass* foreignClass, void* set, void* sniffable)
{
    if (VIPS_OPERATION_CLASS(foreignClass)->flags & VIPS_OPERATION_BLOCKED)
        return nullptr;
    if (!static_cast<std::set<std::string>*>(sniffable)->count(VIPS_OBJECT_CLASS(foreignClass)->nickname))
        return nullptr;
    auto* suffixes = static_cast<std::set<std::string>*>(set);
    if (std::string_view(G_OBJECT_CLASS_NAME(foreignClass)).starts_with("VipsForeignLoadMagick")) {
        suffixes->insert(std::begin(magickSuffixes), std::end(magickSuffixes));
        return nullptr;
    }
    if (!foreignClass->suffs)
        return nullptr;
    for (const char* const* suffix = foreignClass->suffs; *suffix; ++suffix) {
        std::string name(*suffix);
        if (!name.empty() && name.front() == '.')
            name.erase(0, 1);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        if (!name.empty() && name.find('.') == std::string::npos)
            suffixes->insert(name);
    }
    return nullptr;
}

} // namespace

void startVips()
{
    // The loaders kept in modules (ImageMagick's, PDF, HEIF, JPEG XL, ...)
    // bring most of the libraries and most of the start-up time; they are
    // loaded later, once the first request is on its way. libvips looks for
    // modules under the prefix it is given, where there are none.
    deferredModuleFolder = vipsModuleFolder();
    if (!deferredModuleFolder.empty())
        ::setenv("VIPSHOME", "/nonexistent", 1);
    if (VIPS_INIT("quorvel-loader") != 0)
        vips_error_clear();
    ::unsetenv("VIPSHOME");
    if (!deferredModuleFolder.empty())
        vips_foreign_map("VipsForeignLoad", collectLoaderType, nullptr, nullptr);
    vips_cache_set_max(0);
    vips_cache_set_max_mem(0);
    vips_concurrency_set(1); // several helpers run side by side instead
    vips_leak_set(false);
    vips_block_untrusted_set(false);
    for (const char* name : textLoaders)
        vips_operation_block_set(name, true);
}

void loadDeferredModules()
{
    if (deferredModuleFolder.empty())
        return;
    const std::string folder = std::exchange(deferredModuleFolder, {});
    GDir* dir = g_dir_open(folder.c_str(), 0, nullptr);
    if (!dir)
        return;
    std::vector<std::string> names;
    while (const char* name = g_dir_read_name(dir))
        if (std::string_view(name).ends_with("." G_MODULE_SUFFIX))
            names.emplace_back(name);
    g_dir_close(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string path = folder + '/' + name;
        // A module that does not load costs only its formats, as it would
        // at libvips' own start.
        if (!g_module_open(path.c_str(), G_MODULE_BIND_LAZY) && std::getenv("QUORVEL_LOADER_TRACE"))
            std::fprintf(stderr, "quorvel-loader: module %s: %s\n", path.c_str(), g_module_error());
    }
}

void primeLoaders()
{
    // ImageMagick reads its configuration and looks through all its coder
    // modules the first time it is asked about a file: done once here, every
    // child forked later starts with it done. A 1 x 1 BMP, which only
    // ImageMagick's loader reads.
    static const unsigned char tinyBmp[] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,
        0, 0, 0, 0, 4, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 0};
    // Its header only: decoding pixels would start worker threads, which a
    // forked child would not have but would wait for.
    if (VipsImage* image = vips_image_new_from_buffer(tinyBmp, sizeof tinyBmp, "", nullptr))
        g_object_unref(image);
    // The drawing loader's parser and its types, likewise.
    static const char tinySvg[] = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1\" height=\"1\"/>";
    if (VipsImage* image = vips_image_new_from_buffer(tinySvg, sizeof tinySvg - 1, "", nullptr))
        g_object_unref(image);
    vips_error_clear();
}

ImageHeader readVipsHeader(int fd, ImageDetails* details)
{
    ImageHeader header;
    const std::string loader = fileLoaderFor(fd);
    if (loader.empty()) {
        header.unreadableReason = UnreadableReason::NotAnImage;
        return header;
    }
    VipsImage* image = loadWith(loader, fd);
    if (!image) {
        traceAndClearError("header");
        header.unreadableReason = UnreadableReason::Damaged;
        return header;
    }
    const int width = vips_image_get_width(image);
    const int height = vips_image_get_height(image);
    if (width > 0 && height > 0) {
        header.readable = true;
        header.pixelsHigh = height;
        header.pixelsWide = width;
        header.colourSpaceName = vipsColourSpace(image);
        header.verticalDpi = vipsVerticalDpi(image);
        if (details)
            header::vipsDetails(*details, image, header.verticalDpi);
    } else {
        header.unreadableReason = UnreadableReason::Damaged;
    }
    g_object_unref(image);
    vips_error_clear();
    return header;
}

bool makeVipsPreview(int fd, int width, int height, Preview& preview)
{
    if (const std::string common = snapshotLoaderFor(fd); !common.empty()) {
        const bool made = makeSnapshotPreview(fd, common, width, height, preview);
        traceAndClearError("preview");
        return made;
    }
    const std::string loader = fileLoaderFor(fd);
    VipsImage* header = loader.empty() ? nullptr : loadWith(loader, fd);
    if (!header) {
        traceAndClearError("preview");
        return false;
    }
    const double pixels = double(vips_image_get_width(header)) * vips_image_get_height(header);
    if (pixels > maxPreviewSourcePixels) {
        g_object_unref(header);
        return false;
    }
    VipsImage* thumb = nullptr;
    int status = 0;
    if (loader.starts_with("magickload")) {
        // No shrink-on-load there: the loaded image shrinks as it decodes.
        status = vips_thumbnail_image(header, &thumb, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
    } else if (VipsSource* source = vips_source_new_from_descriptor(fd)) {
        // Through a source, so that libvips shrinks on load where it can
        // and picks its loader from a few bytes.
        status = vips_thumbnail_source(source, &thumb, width, "height", height, "size", VIPS_SIZE_DOWN, nullptr);
        g_object_unref(source);
    } else {
        status = -1;
    }
    g_object_unref(header);
    if (status != 0) {
        traceAndClearError("preview");
        return false;
    }
    return finishPreview(thumb, preview);
}

bool finishPreview(VipsImage* thumb, Preview& preview)
{
    try {
        vips::VImage image(thumb); // takes the reference
        if (image.interpretation() != VIPS_INTERPRETATION_sRGB)
            image = image.colourspace(VIPS_INTERPRETATION_sRGB);
        if (image.bands() > 4)
            image = image.extract_band(0, vips::VImage::option()->set("n", 4));
        if (image.bands() < 3)
            return false;
        if (image.format() != VIPS_FORMAT_UCHAR)
            image = image.cast(VIPS_FORMAT_UCHAR);
        if (image.width() > maxPreviewSide || image.height() > maxPreviewSide)
            return false;
        size_t size = 0;
        void* memory = vips_image_write_to_memory(image.get_image(), &size);
        if (!memory) {
            vips_error_clear();
            return false;
        }
        preview.width = image.width();
        preview.height = image.height();
        preview.bands = image.bands();
        const auto* bytes = static_cast<const unsigned char*>(memory);
        preview.pixels.assign(bytes, bytes + size);
        g_free(memory);
        return size == size_t(preview.width) * size_t(preview.height) * size_t(preview.bands);
    } catch (const vips::VError&) {
        vips_error_clear();
        return false;
    }
}

std::vector<std::string> servedSuffixes()
{
    loadDeferredModules();
    std::set<std::string> sniffable;
    vips_foreign_map("VipsForeignLoad", reinterpret_cast<VipsSListMap2Fn>(collectSniffable), &sniffable, nullptr);
    std::set<std::string> suffixes;
    vips_foreign_map("VipsForeignLoad", reinterpret_cast<VipsSListMap2Fn>(collectSuffixes), &suffixes, &sniffable);
    return {suffixes.begin(), suffixes.end()};
}

} // namespace quorvel::platform::loader
