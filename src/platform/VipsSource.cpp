#include "platform/VipsSource.h"

#include "platform/VipsRuntime.h"
#include "platform/header/HeaderFile.h"

#include <algorithm>
#include <vector>

namespace quorvel::platform {
namespace {

// Enough for every loader's signature. Sniffing the whole file instead would
// let the loaders that look for a first line read to the end of a file that
// has none: minutes for 4 GB of zeros.
constexpr int64_t sniffBytes = 64 * 1024;

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

} // namespace

VipsSource* openTrustedSource(const header::HeaderFile& file)
{
    ensureVipsStarted();
    std::vector<unsigned char> start(static_cast<size_t>(std::min(file.size(), sniffBytes)));
    start.resize(file.readAt(0, start.data(), start.size()));
    VipsSource* probe = vips_source_new_from_memory(start.data(), start.size());
    const char* loader = probe ? vips_foreign_find_load_source(probe) : nullptr;
    if (probe)
        g_object_unref(probe);
    vips_error_clear();
    if (!loader || isBlocked(loader))
        return nullptr;
    // Every loader that recognised the start also matches the whole file
    // before any sniffer reads far into it.
    return vips_source_new_from_descriptor(file.descriptor());
}

} // namespace quorvel::platform
