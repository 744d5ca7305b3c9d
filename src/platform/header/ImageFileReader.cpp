#include "platform/header/ImageFileReader.h"

#include "check/ImageDetails.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"
#include "platform/header/Jp2Boxes.h"
#include "platform/loader/LoaderClient.h"

#include <memory>

#include <cstring>

namespace quorvel::platform {
namespace header {

std::string depthVariantName(const char* model, int bits, bool isFloat)
{
    return std::string(model) + (isFloat ? " float" : " " + std::to_string(bits) + "-bit");
}

} // namespace header

namespace {

enum class Format { Jpeg, Png, Tiff, Webp, Gif, Psd, Bmp, Jp2, J2k, Netpbm, Other };

Format sniff(const unsigned char* p, size_t n)
{
    auto starts = [p, n](const char* magic, size_t length, size_t at = 0) {
        return n >= at + length && std::memcmp(p + at, magic, length) == 0;
    };
    if (starts("\xFF\xD8\xFF", 3))
        return Format::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n", 8))
        return Format::Png;
    if (starts("II*\0", 4) || starts("MM\0*", 4) || starts("II+\0", 4) || starts("MM\0+", 4))
        return Format::Tiff;
    if (starts("RIFF", 4) && starts("WEBP", 4, 8))
        return Format::Webp;
    if (starts("GIF8", 4)) // as lenient as libvips, which would otherwise take the file
        return Format::Gif;
    if (starts("8BPS", 4))
        return Format::Psd;
    if (header::looksLikeBmp(p, n))
        return Format::Bmp;
    if (header::jp2::hasSignature(p, n))
        return Format::Jp2;
    if (header::looksLikeJ2k(p, n))
        return Format::J2k;
    if (header::looksLikeNetpbm(p, n))
        return Format::Netpbm;
    return Format::Other;
}

ImageHeader readNative(Format format, header::HeaderFile& file, ImageDetails* details)
{
    switch (format) {
    case Format::Jpeg: return header::readJpegHeader(file, details);
    case Format::Png: return header::readPngHeader(file, details);
    case Format::Tiff: return header::readTiffHeader(file, details);
    case Format::Webp: return header::readWebpHeader(file, details);
    case Format::Gif: return header::readGifHeader(file, details);
    case Format::Psd: return header::readPsdHeader(file, details);
    case Format::Bmp: return header::readBmpHeader(file, details);
    case Format::Jp2: return header::readJp2Header(file, details);
    case Format::J2k: return header::readJ2kHeader(file, details);
    case Format::Netpbm: return header::readNetpbmHeader(file, details);
    case Format::Other: break;
    }
    return {};
}

// `throughHelper` is set when the file went to the loader helper.
ImageHeader readWith(const std::string& path, ImageDetails* details, bool* throughHelper = nullptr)
{
    UnreadableReason why = UnreadableReason::None;
    const std::unique_ptr<header::HeaderFile> file = header::HeaderFile::open(path, &why);
    if (!file)
        return header::unreadable(why);
    unsigned char start[20];
    const size_t n = file->readAt(0, start, sizeof start);
    const Format format = sniff(start, n);
    if (throughHelper)
        *throughHelper = format == Format::Other;
    ImageHeader header = format == Format::Other ? header::readVipsHeader(*file, path, details)
                                                 : readNative(format, *file, details);
    // A format that was recognised but not read is damaged; bytes that no
    // reader recognises are not an image.
    if (!header.readable && header.unreadableReason == UnreadableReason::None)
        header.unreadableReason = format == Format::Other ? UnreadableReason::NotAnImage : UnreadableReason::Damaged;
    return header;
}

} // namespace

ImageHeader ImageFileReader::readHeader(const std::string& path) const
{
    return readWith(path, nullptr);
}

ImageHeader ImageFileReader::readHeaderAndDetails(const std::string& path, ImageDetails& details) const
{
    bool throughHelper = false;
    ImageHeader header = readWith(path, &details, &throughHelper);
    // The helper reads the header and the details in one go, in a child of
    // its own: a file that brought it down or made it wait would only do it
    // again, and the window would wait twice for nothing.
    if (!header.readable && !throughHelper) {
        // Reading the details must never cost the measure: whatever failed,
        // the file gets the plain reading's result.
        details = ImageDetails{};
        header = readWith(path, nullptr);
    }
    return header;
}

std::optional<InkStatistics> ImageFileReader::readInk(const std::string& path) const
{
    UnreadableReason why = UnreadableReason::None;
    const std::unique_ptr<header::HeaderFile> file = header::HeaderFile::open(path, &why);
    if (!file)
        return std::nullopt;
    return loader::readInkThroughHelper(file->descriptor());
}

} // namespace quorvel::platform
