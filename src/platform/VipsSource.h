#pragma once

// For the platform's own libvips users only: the rest of the program never
// sees libvips.

#include <vips/vips.h>

namespace quorvel::platform {

namespace header {
class HeaderFile;
}

// A libvips source reading through `file`'s descriptor, so libvips never
// opens the path again; null when no loader allowed for hostile input
// recognises the file's first bytes. The caller unrefs it.
VipsSource* openTrustedSource(const header::HeaderFile& file);

} // namespace quorvel::platform
