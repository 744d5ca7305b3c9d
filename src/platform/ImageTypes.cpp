#include "platform/ImageTypes.h"

#include "platform/VipsRuntime.h"

#include <vips/vips8>

#include <set>
#include <string>

namespace quorvel::platform {
namespace {

// vips_foreign_get_suffixes() lists the savers' suffixes, which include types
// that nothing here can load (.dz, .raw) and types whose loaders are blocked;
// the loaders themselves are the truth.
void* collectLoaderSuffixes(VipsForeignClass* foreignClass, void* set, void*)
{
    const auto* operationClass = VIPS_OPERATION_CLASS(foreignClass);
    if (operationClass->flags & VIPS_OPERATION_BLOCKED)
        return nullptr;
    if (!foreignClass->suffs)
        return nullptr;
    for (const char* const* suffix = foreignClass->suffs; *suffix; ++suffix) {
        std::string name(*suffix);
        if (!name.empty() && name.front() == '.')
            name.erase(0, 1);
        if (!name.empty())
            static_cast<std::set<std::string>*>(set)->insert(name);
    }
    return nullptr;
}

QStringList askLibvips()
{
    ensureVipsStarted();
    // Read by the program's own header readers, whatever libvips has.
    std::set<std::string> suffixes {"bmp", "dib", "psb", "psd"};
    vips_foreign_map("VipsForeignLoad", reinterpret_cast<VipsSListMap2Fn>(collectLoaderSuffixes), &suffixes,
                     nullptr);
    QStringList result;
    for (const std::string& suffix : suffixes)
        result << QString::fromUtf8(suffix).toLower();
    result.removeDuplicates();
    result.sort();
    return result;
}

} // namespace

QStringList readableImageSuffixes()
{
    static const QStringList suffixes = askLibvips();
    return suffixes;
}

} // namespace quorvel::platform
