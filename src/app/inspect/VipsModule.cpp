// quorvel-inspect's libvips module: the libvips header reader and the list
// of types it reads, loaded only when a file needs them.
#include "app/inspect/VipsModule.h"

#include "platform/ImageTypes.h"
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

} // extern "C"
