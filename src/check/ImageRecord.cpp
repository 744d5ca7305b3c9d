#include "check/ImageRecord.h"

namespace quorvel {

bool isReadable(const ImageMeasure& measure)
{
    return measure.unreadableReason == UnreadableReason::None
        && (measure.pixelsHigh != 0 || measure.pixelsWide != 0 || measure.colourSpaceName);
}

ImageRecord makeRecord(const ImageMeasure& measure, const std::optional<ImageDetails>& details)
{
    ImageRecord record;
    record.measure = measure;
    record.readable = isReadable(measure);
    if (!record.readable)
        record.unreadableReason = measure.unreadableReason == UnreadableReason::None ? UnreadableReason::Damaged
                                                                                     : measure.unreadableReason;
    record.measuredDpi = measuredDpi(measure.pixelsHigh, measure.heightPoints);
    if (!record.readable || !details)
        return record;

    const ImageDetails& d = *details;
    record.details = d;
    record.pixelModel = pixelModel(measure.colourSpaceName);
    record.resolutionsDiffer = resolutionsDiffer(d);
    record.jfifExifConflict = d.conflictingExifDpi.has_value();
    record.profileWarning = profileWarning(d, record.pixelModel);
    record.printSize = printSizeAtRecorded(measure.pixelsWide, measure.pixelsHigh, d.horizontalDpi, d.verticalDpi);
    return record;
}

ImageRecord recordImage(const std::string& path, const ImageHeaderReader& reader, bool withDetails)
{
    if (!withDetails)
        return makeRecord(measureImage(path, reader));
    ImageDetails details;
    const ImageMeasure measure = measureImage(path, reader, details);
    return makeRecord(measure, details);
}

Judgement judge(const ImageRecord& record, const RuleControls& rules)
{
    const ImageMeasure& m = record.measure;
    Judgement j;
    j.requiredDpi = requiredDpi(rules.sliderValue);
    j.dpiFails = dpiFails(record.measuredDpi, j.requiredDpi);
    j.colourFails = colourFails(m.colourClass, rules.selectedRow, rules.matrixEnabled);
    if (m.colourClass == ColourClass::Other)
        j.colour = ColourVerdict::None;
    else if (!rules.matrixEnabled)
        j.colour = ColourVerdict::Off;
    else
        j.colour = j.colourFails ? ColourVerdict::Fail : ColourVerdict::Pass;
    j.largestPrintSize = largestPrintSize(m.pixelsWide, m.pixelsHigh, j.requiredDpi);
    return j;
}

void judgeRecord(ImageRecord& record, const RuleControls& rules)
{
    record.judgement = judge(record, rules);
}

std::string_view unreadableReasonKey(UnreadableReason reason)
{
    switch (reason) {
    case UnreadableReason::None: return "none";
    case UnreadableReason::NotAnImage: return "not-an-image";
    case UnreadableReason::NotSupported: return "format-not-supported";
    case UnreadableReason::Damaged: return "damaged";
    case UnreadableReason::TooLarge: return "too-large";
    case UnreadableReason::TimedOut: return "timed-out";
    case UnreadableReason::PermissionDenied: return "permission-denied";
    case UnreadableReason::NotFound: return "not-found";
    case UnreadableReason::Folder: return "folder";
    case UnreadableReason::Vanished: break;
    }
    return "no-longer-there";
}

std::string_view colourVerdictKey(ColourVerdict verdict)
{
    switch (verdict) {
    case ColourVerdict::Pass: return "pass";
    case ColourVerdict::Fail: return "fail";
    case ColourVerdict::Off: return "off";
    case ColourVerdict::None: break;
    }
    return "none";
}

} // namespace quorvel
