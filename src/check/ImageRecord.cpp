#include "check/ImageRecord.h"
#include <utility>

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

ImageRecord recordImage(const std::string& path, const ImageHeaderReader& reader, bool withDetails, bool withInk)
{
    ImageRecord record;
    if (!withDetails) {
        record = makeRecord(measureImage(path, reader));
    } else {
        ImageDetails details;
        const ImageMeasure measure = measureImage(path, reader, details);
        record = makeRecord(measure, details);
    }
    if (withInk)
        addInk(record, path, reader);
    return record;
}

void addInk(ImageRecord& record, const std::string& path, const ImageHeaderReader& reader)
{
    if (!record.readable || record.measure.colourClass != ColourClass::CMYK)
        return;
    if (std::optional<InkStatistics> ink = reader.readInk(path))
        record.ink = std::make_shared<const InkStatistics>(std::move(*ink));
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
    j.demands = judgeDemands(record, rules.demands, j.requiredDpi);
    return j;
}

DemandVerdict DemandResults::verdict(Demand demand) const
{
    switch (demand) {
    case Demand::PrintSize: return printSize;
    case Demand::Ink: return ink;
    case Demand::Profile: return profile;
    case Demand::Transparency: return transparency;
    case Demand::ExtraChannels: break;
    }
    return extraChannels;
}

std::vector<Demand> DemandResults::failing() const
{
    std::vector<Demand> result;
    for (Demand d : {Demand::PrintSize, Demand::Ink, Demand::Profile, Demand::Transparency, Demand::ExtraChannels}) {
        if (verdict(d) == DemandVerdict::Fail)
            result.push_back(d);
    }
    return result;
}

bool demandsNeedDetails(const PrintDemands& demands)
{
    return demands.inkLimitPercent || demands.requireProfile || demands.noTransparency || demands.noExtraChannels;
}

namespace {

DemandVerdict passOrFail(bool passes)
{
    return passes ? DemandVerdict::Pass : DemandVerdict::Fail;
}

// The resolution the file records, both axes; the measure's vertical one
// (72 dpi when none is recorded) where the details are not at hand.
std::pair<double, double> recordedDpi(const ImageRecord& record)
{
    const ImageMeasure& m = record.measure;
    const double fromMeasure = m.heightPoints > 0.0f ? m.pixelsHigh / static_cast<double>(m.heightPoints) * 72.0 : 72.0;
    if (!record.details)
        return {fromMeasure, fromMeasure};
    const std::optional<double> h = record.details->horizontalDpi;
    const std::optional<double> v = record.details->verticalDpi;
    if (!h && !v)
        return {72.0, 72.0};
    return {h.value_or(*v), v.value_or(*h)};
}

} // namespace

DemandResults judgeDemands(const ImageRecord& record, const PrintDemands& demands, int32_t required)
{
    DemandResults r;
    const ImageMeasure& m = record.measure;
    const std::optional<ImageDetails>& details = record.details;
    const DemandVerdict unknown = DemandVerdict::Unknown;

    if (demands.trim) {
        if (!record.readable || required <= 0) {
            r.printSize = unknown;
        } else {
            r.neededPixels = pixelsNeeded(*demands.trim, demands.bleedMm, required, m.pixelsWide, m.pixelsHigh);
            r.printSize = passOrFail(coversPrintSize(*demands.trim, demands.bleedMm, required, m.pixelsWide, m.pixelsHigh));
        }
    }
    if (demands.inkLimitPercent) {
        if (!record.readable)
            r.ink = unknown;
        else if (m.colourClass != ColourClass::CMYK)
            r.ink = DemandVerdict::NotApplicable;
        else if (!record.ink || record.ink->pixels() == 0)
            r.ink = unknown;
        else {
            const auto [h, v] = recordedDpi(record);
            r.inkFigures = inkFigures(*record.ink, *demands.inkLimitPercent, h, v);
            r.ink = passOrFail(r.inkFigures->areaAboveMm2 <= demands.inkToleranceMm2);
        }
    }
    const bool known = record.readable && details.has_value();
    if (demands.requireProfile)
        r.profile = !known ? unknown
                           : passOrFail(details->hasProfile && profileMatches(details->profileDescription, demands.profileContains));
    if (demands.noTransparency)
        r.transparency = !known ? unknown : passOrFail(!details->alpha);
    if (demands.noExtraChannels)
        r.extraChannels = !known ? unknown : passOrFail(details->extraChannels == 0);
    return r;
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

std::string_view demandKey(Demand demand)
{
    switch (demand) {
    case Demand::PrintSize: return "print-size";
    case Demand::Ink: return "ink";
    case Demand::Profile: return "profile";
    case Demand::Transparency: return "transparency";
    case Demand::ExtraChannels: break;
    }
    return "extra-channels";
}

std::string_view demandVerdictKey(DemandVerdict verdict)
{
    switch (verdict) {
    case DemandVerdict::Off: return "off";
    case DemandVerdict::NotApplicable: return "not-applicable";
    case DemandVerdict::Unknown: return "unknown";
    case DemandVerdict::Pass: return "pass";
    case DemandVerdict::Fail: break;
    }
    return "fail";
}

} // namespace quorvel
