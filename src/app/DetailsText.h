#pragma once

#include "check/ImageRecord.h"

#include <QString>

namespace quorvel {

// The text of the inspector's details area: one fact per line, a warning
// line marked with "⚠". For an unreadable file, the reason only. The
// largest print size comes from the record's judgement, when judged.
QString detailsText(const ImageRecord& record);

} // namespace quorvel
