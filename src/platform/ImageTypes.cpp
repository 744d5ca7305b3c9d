#include "platform/ImageTypes.h"

#include "platform/loader/LoaderClient.h"

#include <set>
#include <string>

namespace quorvel::platform {
namespace {

// The formats whose headers are read in this process, by their own libraries.
constexpr const char* nativeSuffixes[] = {"bmp", "dib", "gif", "jpe", "jpeg", "jpg", "png", "psb", "psd", "tif", "tiff", "webp"};

QStringList collect()
{
    std::set<std::string> suffixes(std::begin(nativeSuffixes), std::end(nativeSuffixes));
    // The rest: what the loader helper's libvips actually has loaders for.
    for (const std::string& suffix : loader::helperSuffixes())
        suffixes.insert(suffix);
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
    static const QStringList suffixes = collect();
    return suffixes;
}

} // namespace quorvel::platform
