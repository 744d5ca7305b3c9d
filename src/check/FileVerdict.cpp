#include "check/FileVerdict.h"

namespace quorvel {

FileVerdict judge(const ImageMeasure& measure, const RuleControls& rules)
{
    FileVerdict verdict;
    verdict.requiredDpi = requiredDpi(rules.sliderValue);
    if (measure.unreadableReason != UnreadableReason::None) {
        verdict.unreadable = true;
        return verdict;
    }
    verdict.measuredDpi = measuredDpi(measure.pixelsHigh, measure.heightPoints);
    verdict.colourFails = colourFails(measure.colourClass, rules.selectedRow, rules.matrixEnabled);
    verdict.dpiFails = dpiFails(verdict.measuredDpi, verdict.requiredDpi);
    return verdict;
}

} // namespace quorvel
