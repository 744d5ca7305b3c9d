#pragma once

// Previews of the common formats (JPEG, PNG, TIFF, WebP, GIF, HEIF): made
// from one snapshot of the file in memory, shrunk while they decode where
// the format allows, and refused where decoding would need the whole of a
// hostile header's claim.

#include "platform/loader/LoaderProtocol.h"

#include <string>

namespace quorvel::platform::loader {

// The file loader ("jpegload") of the image open on `fd` when its first
// bytes are those of one of these formats; empty otherwise. Told from the
// signature alone: asking every loader about a prefix of the file would have
// some decode headers cut short.
std::string snapshotLoaderFor(int fd);

// An sRGB preview within width x height of the image open on `fd`, which
// `loader` reads; false when none can be made.
bool makeSnapshotPreview(int fd, const std::string& loader, int width, int height, Preview& preview);

} // namespace quorvel::platform::loader
