#pragma once

#include "check/CheckRules.h"
#include "check/ImageDetails.h"
#include "check/ImageMeasure.h"
#include "check/InkStatistics.h"
#include "check/PrintDemands.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// The colour verdict in full: Off when the setting checks no colour (its
// choice is disabled), None for class Other, which gets no verdict at all.
enum class ColourVerdict { Pass, Fail, Off, None };

// A print demand's verdict. Unknown: not (yet) measurable, e.g. no dpi is
// demanded for a print size, the details or the ink were not read.
enum class DemandVerdict { Off, NotApplicable, Unknown, Pass, Fail };
enum class Demand { PrintSize, Ink, Profile, Transparency, ExtraChannels };

// The verdicts on a setting's print demands, with what they were judged on.
struct DemandResults {
    DemandVerdict printSize = DemandVerdict::Off;
    PixelSize neededPixels; // in the image's orientation; with a print size verdict
    DemandVerdict ink = DemandVerdict::Off;
    std::optional<InkFigures> inkFigures; // with an ink verdict of Pass or Fail
    DemandVerdict profile = DemandVerdict::Off;
    DemandVerdict transparency = DemandVerdict::Off;
    DemandVerdict extraChannels = DemandVerdict::Off;

    DemandVerdict verdict(Demand demand) const;
    // The failing demands, in the order above.
    std::vector<Demand> failing() const;
    bool fails() const { return !failing().empty(); }
};

// One image judged against one set of rule controls. Cheap to make again
// from the record when the setting changes.
struct Judgement {
    int32_t requiredDpi = 0;
    bool dpiFails = false;
    ColourVerdict colour = ColourVerdict::None;
    bool colourFails = false; // colour == Fail
    // The largest size that still meets the demand; absent when nothing is
    // demanded or the image has no pixels.
    std::optional<PrintSize> largestPrintSize;
    DemandResults demands; // all Off unless the rules carry demands

    bool fails() const { return dpiFails || colourFails || demands.fails(); }
};

// Everything known of one file, worked out once: the measure, the facts
// derived from it and from the details, and (once judged) the verdicts.
// Every view formats this; none recomputes a rule.
struct ImageRecord {
    ImageMeasure measure;
    bool readable = false;
    UnreadableReason unreadableReason = UnreadableReason::None; // set whenever not readable
    int32_t measuredDpi = std::numeric_limits<int32_t>::min();

    // Present when asked for and the file is readable.
    std::optional<ImageDetails> details;
    // Derived from the details; left as they are without them.
    ColourModel pixelModel = ColourModel::None;
    bool resolutionsDiffer = false;
    bool jfifExifConflict = false;
    ProfileWarning profileWarning = ProfileWarning::None;
    std::optional<PrintSize> printSize; // at the recorded resolution
    // The total ink of a CMYK image's pixels, once measured (it takes a read
    // of every pixel, so only when an ink limit asks for it). Shared: records
    // are copied freely, the histogram is not small.
    std::shared_ptr<const InkStatistics> ink;

    // Absent until judged.
    std::optional<Judgement> judgement;
};

// The record of a measure, with the file's details when they were read.
ImageRecord makeRecord(const ImageMeasure& measure, const std::optional<ImageDetails>& details = std::nullopt);

// Measures the file (and reads its details in the same pass when asked).
// `withInk`: a readable CMYK file's total ink is read too.
ImageRecord recordImage(const std::string& path, const ImageHeaderReader& reader, bool withDetails,
                        bool withInk = false);
// Reads the total ink of a record's file when it is a readable CMYK image.
void addInk(ImageRecord& record, const std::string& path, const ImageHeaderReader& reader);

// The inspector's verdicts: both rules, always. Any view that lists fewer
// (the report with its boxes) picks from these.
Judgement judge(const ImageRecord& record, const RuleControls& rules);
void judgeRecord(ImageRecord& record, const RuleControls& rules);

// A measure that came from a file read as an image. The empty measure, 0 x 0
// without a colour-space name, is unreadable whatever reason it carries.
bool isReadable(const ImageMeasure& measure);

// Stable lower-case keys for machine-readable output.
std::string_view unreadableReasonKey(UnreadableReason reason); // "none" when readable
std::string_view colourVerdictKey(ColourVerdict verdict);
std::string_view demandKey(Demand demand);
std::string_view demandVerdictKey(DemandVerdict verdict);

// The judgement of the print demands alone (part of `judge`).
DemandResults judgeDemands(const ImageRecord& record, const PrintDemands& demands, int32_t requiredDpi);

// Whether judging these demands needs the file's details (profile, alpha,
// channels, recorded resolution).
bool demandsNeedDetails(const PrintDemands& demands);

} // namespace quorvel
