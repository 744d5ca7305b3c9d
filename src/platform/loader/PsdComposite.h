#pragma once

// Previews of layered documents (PSD and PSB) from the merged image the file
// keeps after its layers, decoding only the rows and columns the preview
// needs: a document of any size costs about the preview's memory.

#include "platform/loader/LoaderProtocol.h"

namespace quorvel::platform::loader {

// Whether the file open on `fd` starts as a layered document does.
bool isPsd(int fd);

// An sRGB preview no larger than width x height, made from the merged image;
// false when that image is missing, damaged or in a mode not previewed.
bool makePsdPreview(int fd, int width, int height, Preview& preview);

} // namespace quorvel::platform::loader
