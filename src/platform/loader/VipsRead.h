#pragma once

// The helper's side: libvips with every loader it has, reading a file the
// program handed over as an open descriptor.

#include "platform/loader/LoaderProtocol.h"

#include <string>
#include <vips/vips.h>
#include <vector>

namespace quorvel::platform::loader {

// Starts libvips with all loaders but those that would take any text file
// for an image. The loaders libvips keeps in loadable modules are left for
// loadDeferredModules(), or for the first file that may need one.
void startVips();

// Loads the modules startVips() left, once; nothing when none are left.
void loadDeferredModules();

// Wakes the loaders that read files of their own to start (ImageMagick's),
// so that the processes forked afterwards need not.
void primeLoaders();

// Reads only the header (and, with `details`, the details) of the image
// open on `fd`; a resolution only where the file itself recorded one.
ImageHeader readVipsHeader(int fd, ImageDetails* details);

// An sRGB preview no larger than width x height; false when none can be made.
bool makeVipsPreview(int fd, int width, int height, Preview& preview);

// Ends a preview from `image` (whose reference it takes): sRGB, 8 bits,
// 3 or 4 bands, within the largest preview side.
bool finishPreview(VipsImage* image, Preview& preview);

// The file-name suffixes (lower case, without the dot) of the formats read.
std::vector<std::string> servedSuffixes();

} // namespace quorvel::platform::loader
