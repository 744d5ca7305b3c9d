#pragma once

#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"

#include <QString>

#include <cstdint>

namespace quorvel {

// The text of the inspector's details area: one fact per line, a warning
// line marked with "⚠". Empty for an unreadable file. `requiredDpi` is the
// setting's demand (none at 0 or less).
QString detailsText(const ImageMeasure& measure, const ImageDetails& details, int32_t requiredDpi);

} // namespace quorvel
