#pragma once

#include "check/CheckRules.h"
#include "check/ImageRecord.h"

#include <QString>

namespace quorvel {

// The wording of verdicts, for the inspector's banner and the overview, from
// a record judged against `rules`. `settingTitle` is the picked setting's
// name, empty while none is picked.

// "Passes Pre-Press"; "Fails Pre-Press: colour space RGB, needs CMYK; 72 dpi,
// needs 300; print size: needs 2552 x 3579 px for A4 + 3 mm bleed at 300 dpi,
// has 2480 x 3508"; "Unreadable: <reason>"; "No setting picked: choose one above".
QString verdictBannerText(const ImageRecord& record, const RuleControls& rules, const QString& settingTitle);

// The overview's verdict cell: "Passes", "Fails: colour, dpi, print size, ink",
// "Unreadable".
QString verdictCellText(const ImageRecord& record);

// What a setting demands, as the overview's counts line names it: "CMYK,
// 300 dpi", "any colour space, any resolution".
QString demandText(const RuleControls& rules);

struct BatchCounts {
    int total = 0;
    int pass = 0;
    int fail = 0;
    int unreadable = 0;
    int pending = 0; // not measured yet
    bool operator==(const BatchCounts&) const = default;
};

// "40 images: 31 pass, 8 fail, 1 unreadable, checked against Pre-Press (CMYK, 300 dpi)".
QString batchSummaryText(const BatchCounts& counts, const RuleControls& rules, const QString& settingTitle);

} // namespace quorvel
