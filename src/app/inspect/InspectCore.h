#pragma once

#include "app/inspect/InspectOptions.h"
#include "check/CheckRules.h"
#include "check/ImageRecord.h"
#include "report/ReportText.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvel {
namespace platform {
class DefaultsStore;
}

namespace inspect {

// The setting judged against: the values the application's preference
// controls would hold, and the pop-up title the report prints.
struct JudgeSetting {
    std::string title; // empty for a setting built from --dpi and --colour alone
    RuleControls rules;
    int previewState = 1;
};

struct SettingLookup {
    std::optional<JudgeSetting> setting; // absent when nothing is judged
    std::string error;                   // a usage error, e.g. an unknown name
};

// --setting NAME from the stored list (the presets while none is stored), put
// into the controls as the preferences window does; --dpi and --colour then
// replace the slider and the colour choice.
SettingLookup resolveSetting(const InspectOptions& options, platform::DefaultsStore& store);

// A file's record, under the path it was named by.
struct InspectRecord : ImageRecord {
    std::string path; // as given, or as the folder walk joined it
};

// Measures every file on `jobs` threads (0: one per core); the records come
// back in the order of `paths` whatever order the files finish in.
std::vector<InspectRecord> measureFiles(const std::vector<std::string>& paths, const ImageHeaderReader& reader,
                                        bool withDetails, int jobs, bool withInk = false);

void judgeAll(std::vector<InspectRecord>& records, const JudgeSetting& setting);

// The application's report of these records, through the shared report
// code: paths made absolute against `currentDirectory` as the application
// makes the files it is given.
ReportResult reportOf(const std::vector<InspectRecord>& records, const JudgeSetting& setting,
                      const ReportOptions& options, const QDateTime& date, const QString& currentDirectory);

} // namespace inspect
} // namespace quorvel
