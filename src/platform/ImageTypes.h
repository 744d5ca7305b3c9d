#pragma once

#include <QStringList>

#include <string>
#include <vector>

namespace quorvel::platform {

// The file-name suffixes (lower case, without the dot, sorted) of the image
// types that the loader reads: those read in this process, and those of the
// libvips loaders that the confined loader helper has. Asked once per process.
QStringList readableImageSuffixes();

// The suffixes of the types read in this process, known without asking the
// loader helper.
const std::vector<std::string>& nativeImageSuffixes();

} // namespace quorvel::platform
