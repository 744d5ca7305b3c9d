#pragma once

// The helper's side of the total ink: every pixel of a CMYK image, read row
// by row at full resolution (never a shrunk decode, whose averages hide the
// darkest spots), gathered into the statistics as it goes.

#include "check/InkStatistics.h"

namespace quorvel::platform::loader {

enum class InkResult {
    Measured,   // `ink` holds every pixel
    NotCmyk,    // the pixels are not CMYK: no ink to measure
    Unreadable, // no loader reads the file, or its pixels fail to decode
};

// Reads the image open on `fd`. libvips hands CMYK JPEGs back in their usual
// sense: an Adobe JPEG's inverted values come out as ink, not as its absence.
// At most `rowsAtOnce` rows of pixels are held at a time.
InkResult readVipsInk(int fd, InkStatistics& ink, int rowsAtOnce = 64);

} // namespace quorvel::platform::loader
