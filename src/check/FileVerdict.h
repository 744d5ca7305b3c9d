#pragma once

#include "check/CheckRules.h"
#include "check/ImageMeasure.h"

#include <cstdint>

namespace quorvel {

// The outcome of one measure against the rules, as the inspector applies them.
struct FileVerdict {
    bool unreadable = false;
    bool colourFails = false;
    bool dpiFails = false;
    int32_t measuredDpi = 0;
    int32_t requiredDpi = 0;

    bool fails() const { return colourFails || dpiFails; }
    bool passes() const { return !unreadable && !fails(); }
    bool operator==(const FileVerdict&) const = default;
};

// Unreadable files get no rule verdicts; every other file is judged exactly
// as the inspector colours its fields.
FileVerdict judge(const ImageMeasure& measure, const RuleControls& rules);

} // namespace quorvel
