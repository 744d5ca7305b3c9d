// quorvel-inspect starts once per pipeline step, and loading libvips with the
// hundred libraries under it costs more than measuring a thousand files; the
// application's first check reads a header only. Both read JPEG, PNG, TIFF,
// WebP and GIF through their own libraries; the functions below, which alone
// need libvips, stand in for the platform's own in these executables and load
// them from a module on first use.
#include "app/inspect/VipsModule.h"

#include "platform/ImageTypes.h"
#include "platform/PreviewMaker.h"
#include "platform/header/FormatReaders.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace quorvel {
namespace {

struct Module {
    QuorvelReadOtherHeader readOtherHeader = nullptr;
    QuorvelReadableSuffixes readableSuffixes = nullptr;
    QuorvelMakePreview makePreview = nullptr;
};

std::string executableFolder()
{
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

// Beside the executable in the build tree, in the library folder once installed.
const Module& module()
{
    static const Module loaded = [] {
        Module m;
        const std::string folder = executableFolder();
        for (const std::string& candidate : {folder + '/' + inspect::vipsModuleName,
                                             folder + '/' + QUORVEL_INSPECT_MODULE_DIR + '/' + inspect::vipsModuleName}) {
            void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle)
                continue;
            m.readOtherHeader = reinterpret_cast<QuorvelReadOtherHeader>(::dlsym(handle, inspect::readOtherHeaderSymbol));
            m.readableSuffixes = reinterpret_cast<QuorvelReadableSuffixes>(::dlsym(handle, inspect::readableSuffixesSymbol));
            m.makePreview = reinterpret_cast<QuorvelMakePreview>(::dlsym(handle, inspect::makePreviewSymbol));
            if (m.readOtherHeader && m.readableSuffixes && m.makePreview)
                return m;
            m = Module{};
        }
        std::fprintf(stderr, "%s: %s not found; only JPEG, PNG, TIFF, WebP and GIF can be read\n",
                     program_invocation_short_name, inspect::vipsModuleName);
        return m;
    }();
    return loaded;
}

} // namespace

namespace platform {

QStringList readableImageSuffixes()
{
    QStringList suffixes;
    if (module().readableSuffixes)
        module().readableSuffixes(&suffixes);
    else
        suffixes = {"gif", "jpe", "jpeg", "jpg", "png", "tif", "tiff", "webp"};
    return suffixes;
}

QImage makePreview(const QString& path, QSize bounds)
{
    QImage preview;
    if (module().makePreview)
        module().makePreview(&path, bounds, &preview);
    return preview;
}

namespace header {

ImageHeader readVipsHeader(HeaderFile& file, const std::string& path, ImageDetails* details)
{
    ImageHeader header;
    if (module().readOtherHeader)
        module().readOtherHeader(&file, &path, details, &header);
    return header;
}

} // namespace header
} // namespace platform
} // namespace quorvel
