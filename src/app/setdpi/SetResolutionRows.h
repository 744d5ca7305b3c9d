#pragma once

// The rows of the Set Resolution sheet: what each file records now, what it
// will record, the print size that follows and whether the change would
// still leave it failing the setting (or cannot be made at all).

#include "check/CheckRules.h"
#include "check/ImageRecord.h"
#include "platform/write/ResolutionEdits.h"

#include <QString>

#include <optional>

namespace quorvel::setdpi {

struct SetResolutionRow {
    QString path;
    std::optional<int> currentDpi; // as the inspector shows it; none when unreadable
    int newDpi = 0;
    double widthInches = 0.0;      // of the print at the new dpi
    double heightInches = 0.0;
    bool stillFails = false;       // the new dpi or the colour fails the setting
    platform::write::SetDpiRefusal refusal = platform::write::SetDpiRefusal::None;
};

// `formatRefusal`: what the file's first bytes already tell (refusalByFormat).
SetResolutionRow resolutionRow(const QString& path, const ImageRecord& record, int newDpi, const RuleControls& rules,
                               platform::write::SetDpiRefusal formatRefusal);

// "304.8 × 203.2 mm (12.00 × 8.00 in)"; empty for a file that cannot be set.
QString printSizeText(const SetResolutionRow& row);

// The dpi the sheet proposes: the setting's demand, else 300.
int proposedDpi(const RuleControls& rules);

// The first bytes of a file, judged by refusalByFormat.
platform::write::SetDpiRefusal refusalOfFile(const QString& path);

} // namespace quorvel::setdpi
