#pragma once

// The entry points of the libvips module that quorvel-inspect and the
// application load on first need (see VipsOnDemand.cpp).

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <string>

namespace quorvel::platform::header {
class HeaderFile;
}

extern "C" {
using QuorvelReadOtherHeader = void (*)(quorvel::platform::header::HeaderFile* file, const std::string* path,
                                        quorvel::ImageDetails* details, quorvel::ImageHeader* header);
using QuorvelReadableSuffixes = void (*)(QStringList* suffixes);
using QuorvelMakePreview = void (*)(const QString* path, QSize bounds, QImage* preview);
}

namespace quorvel::inspect {
inline constexpr const char* vipsModuleName = "quorvel-inspect-vips.so";
inline constexpr const char* readOtherHeaderSymbol = "quorvelReadOtherHeader";
inline constexpr const char* readableSuffixesSymbol = "quorvelReadableSuffixes";
inline constexpr const char* makePreviewSymbol = "quorvelMakePreview";
} // namespace quorvel::inspect
