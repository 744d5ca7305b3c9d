// quorvel-inspect starts once per pipeline step, and loading libvips with the
// hundred libraries under it costs more than measuring a thousand files. The
// tool reads JPEG, PNG, TIFF, WebP and GIF through their own libraries; the
// two functions below, which alone need libvips, stand in for the platform's
// own in this executable and load them from a module on first use.
#include "app/inspect/VipsModule.h"

#include "platform/ImageTypes.h"
#include "platform/header/FormatReaders.h"

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
            if (m.readOtherHeader && m.readableSuffixes)
                return m;
            m = Module{};
        }
        std::fprintf(stderr, "quorvel-inspect: %s not found; only JPEG, PNG, TIFF, WebP, GIF, PSD and BMP can be read\n",
                     inspect::vipsModuleName);
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
        suffixes = {"bmp", "dib", "gif", "jpe", "jpeg", "jpg", "png", "psb", "psd", "tif", "tiff", "webp"};
    return suffixes;
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
