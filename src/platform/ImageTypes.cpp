#include "platform/ImageTypes.h"

#include "platform/loader/LoaderClient.h"

#include <set>
#include <string>

namespace quorvel::platform {
namespace {

// The formats whose headers are read in this process, by their own libraries
// or by hand. The loader helper makes the previews of every format.
const std::vector<std::string> nativeSuffixes = {
    "bmp", "dib", "gif", "j2c", "j2k", "jpc", "jpe", "jpeg", "jpf", "jph", "jpg", "jp2", "jpx", "pam", "pbm",
    "pgm", "png", "pnm", "ppm", "psb", "psd", "tif", "tiff", "webp"};

QStringList collect()
{
    std::set<std::string> suffixes(nativeSuffixes.begin(), nativeSuffixes.end());
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

const std::vector<std::string>& nativeImageSuffixes()
{
    return nativeSuffixes;
}

QStringList readableImageSuffixes()
{
    static const QStringList suffixes = collect();
    return suffixes;
}

} // namespace quorvel::platform
