#pragma once

#include "app/inspect/InspectOptions.h"
#include "check/ImageMeasure.h"
#include "platform/write/ResolutionWriter.h"

#include <string>
#include <vector>

namespace quorvel::inspect {

// One file's result of --set-dpi or --fit-print.
struct SetDpiResult {
    std::string path;
    int dpi = 0; // 0: none could be worked out (--fit-print on an unreadable file)
    platform::write::SetDpiOutcome outcome;
};

// Sets the resolution of every file on `jobs` threads (0: one per core); the
// results come back in the order of `paths`.
std::vector<SetDpiResult> setDpiOfFiles(const std::vector<std::string>& paths, const InspectOptions& options,
                                        const ImageHeaderReader& reader);

// The output: JSON, or one tab-separated line per written file; the reasons
// of refused files go to `errors`, one line each.
void writeSetDpiResults(std::string& out, std::string& errors, const std::vector<SetDpiResult>& results,
                        OutputFormat format, bool dryRun);

} // namespace quorvel::inspect
