#include "platform/VipsSource.h"

#include "platform/VipsRuntime.h"
#include "platform/header/HeaderFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace quorvel::platform {
namespace {

// Enough for every loader's signature. Sniffing the whole file instead would
// let the loaders that look for a first line read to the end of a file that
// has none: minutes for 4 GB of zeros.
constexpr int64_t sniffBytes = 64 * 1024;

// The largest file copied for a loader that maps the whole file.
constexpr int64_t maxCopiedBytes = 128 * 1024 * 1024;

bool isBlocked(const char* loader)
{
    const GType type = g_type_from_name(loader);
    if (!type)
        return true;
    auto* operation = static_cast<VipsOperationClass*>(g_type_class_ref(type));
    const bool blocked = operation->flags & VIPS_OPERATION_BLOCKED;
    g_type_class_unref(operation);
    return blocked;
}

int freeCopy(void* data, void*)
{
    g_free(data);
    return 0;
}

VipsSource* privateCopy(const header::HeaderFile& file)
{
    if (file.size() > maxCopiedBytes)
        return nullptr;
    auto* data = static_cast<unsigned char*>(g_malloc(static_cast<size_t>(file.size())));
    const size_t n = file.readAt(0, data, static_cast<size_t>(file.size())); // fewer if cut short meanwhile
    VipsBlob* blob = vips_blob_new(freeCopy, data, n); // owns the copy from here on
    VipsSource* source = vips_source_new_from_blob(blob);
    vips_area_unref(VIPS_AREA(blob));
    return source;
}

} // namespace

const char* trustedLoader(const header::HeaderFile& file)
{
    ensureVipsStarted();
    std::vector<unsigned char> start(static_cast<size_t>(std::min(file.size(), sniffBytes)));
    start.resize(file.readAt(0, start.data(), start.size()));
    VipsSource* probe = vips_source_new_from_memory(start.data(), start.size());
    const char* loader = probe ? vips_foreign_find_load_source(probe) : nullptr;
    if (probe)
        g_object_unref(probe);
    vips_error_clear();
    // Every loader that recognised the start also matches the whole file
    // before any sniffer reads far into it.
    return loader && !isBlocked(loader) ? loader : nullptr;
}

bool mapsWholeFile(const char* loader)
{
    // VipsForeignLoadWebpSource, VipsForeignLoadNsgifSource
    return std::strstr(loader, "Webp") || std::strstr(loader, "gif") || std::strstr(loader, "Gif");
}

VipsSource* openTrustedSource(const header::HeaderFile& file)
{
    const char* loader = trustedLoader(file);
    if (!loader)
        return nullptr;
    if (mapsWholeFile(loader))
        return privateCopy(file);
    return vips_source_new_from_descriptor(file.descriptor());
}

std::string descriptorName(const header::HeaderFile& file)
{
    return "/proc/self/fd/" + std::to_string(file.descriptor());
}

} // namespace quorvel::platform
