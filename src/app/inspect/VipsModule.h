#pragma once

// The entry points of quorvel-inspect's libvips module (see VipsOnDemand.cpp).

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <QStringList>

#include <string>

namespace quorvel::platform::header {
class HeaderFile;
}

extern "C" {
using QuorvelReadOtherHeader = void (*)(quorvel::platform::header::HeaderFile* file, const std::string* path,
                                        quorvel::ImageDetails* details, quorvel::ImageHeader* header);
using QuorvelReadableSuffixes = void (*)(QStringList* suffixes);
}

namespace quorvel::inspect {
inline constexpr const char* vipsModuleName = "quorvel-inspect-vips.so";
inline constexpr const char* readOtherHeaderSymbol = "quorvelReadOtherHeader";
inline constexpr const char* readableSuffixesSymbol = "quorvelReadableSuffixes";
} // namespace quorvel::inspect
