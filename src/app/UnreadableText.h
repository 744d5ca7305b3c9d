#pragma once

#include "check/ImageMeasure.h"

#include <QString>

namespace quorvel {

// Why a file could not be read, in the user's words: "not an image",
// "damaged", ... Empty for a file that was read.
QString unreadableText(UnreadableReason reason);

} // namespace quorvel
