#pragma once

#include <QStringList>

namespace quorvel::platform {

// The file-name suffixes (lower case, without the dot, sorted) of the image
// types that the loader reads: those read in this process, and those of the
// libvips loaders that the confined loader helper has. Asked once per process.
QStringList readableImageSuffixes();

} // namespace quorvel::platform
