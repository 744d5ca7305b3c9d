// The libvips module: the libvips header reader, the list of types it reads
// and the preview, loaded only when a file needs them.
#include "app/inspect/VipsModule.h"

#include "platform/ImageTypes.h"
#include "platform/PreviewMaker.h"
#include "platform/header/FormatReaders.h"

#define QUORVEL_MODULE_EXPORT __attribute__((visibility("default")))

extern "C" {

QUORVEL_MODULE_EXPORT void quorvelReadOtherHeader(quorvel::platform::header::HeaderFile* file, const std::string* path,
                                                  quorvel::ImageDetails* details, quorvel::ImageHeader* header)
{
    *header = quorvel::platform::header::readVipsHeader(*file, *path, details);
}

QUORVEL_MODULE_EXPORT void quorvelReadableSuffixes(QStringList* suffixes)
{
    *suffixes = quorvel::platform::readableImageSuffixes();
}

QUORVEL_MODULE_EXPORT void quorvelMakePreview(const QString* path, QSize bounds, QImage* preview)
{
    *preview = quorvel::platform::makePreview(*path, bounds);
}

} // extern "C"
