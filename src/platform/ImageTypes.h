#pragma once

#include <QStringList>

namespace quorvel::platform {

// The file-name suffixes (lower case, without the dot, sorted) of the image
// types that the loader reads: those of libvips' file loaders, leaving out the
// loaders that are blocked for untrusted input. Asked once per process.
QStringList readableImageSuffixes();

} // namespace quorvel::platform
