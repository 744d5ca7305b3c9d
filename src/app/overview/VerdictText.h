#pragma once

#include "check/CheckRules.h"
#include "check/ImageRecord.h"

#include <QString>

#include <optional>

namespace quorvel {

// The wording of verdicts, for the inspector's banner and the overview, from
// a record judged against `rules`. `settingTitle` is the picked setting's
// name, empty while none is picked.

// "Passes Pre-Press"; "Passes Pre-Press (colour not checked: Lab)"; "Fails
// Pre-Press: colour space RGB, needs CMYK; 72 dpi, needs 300; print size:
// needs 2552 x 3579 px for A4 + 3 mm bleed at 300 dpi, has 2480 x 3508"; "No
// demands: every image passes None"; "Unreadable: <reason>"; "No setting
// picked: choose one above".
QString verdictBannerText(const ImageRecord& record, const RuleControls& rules, const QString& settingTitle);

// The overview's verdict cell: "Passes", "Fails: colour, dpi, print size, ink",
// "Unreadable"; empty for a record not judged (no setting picked).
QString verdictCellText(const ImageRecord& record);

// What a setting demands, as the overview's counts line names it: "CMYK,
// 300 dpi", "any colour space, any resolution", "no colour space chosen, 72
// dpi" (the colour check on with no class chosen: every class fails).
QString demandText(const RuleControls& rules);

struct BatchCounts {
    int total = 0;
    int pass = 0;
    int fail = 0;
    int unreadable = 0;
    int pending = 0;  // not measured yet
    int unjudged = 0; // readable, with no setting picked to judge it
    bool operator==(const BatchCounts&) const = default;
};

// "40 images: 31 pass, 8 fail, 1 unreadable, checked against Pre-Press (CMYK,
// 300 dpi)"; without rules (no setting picked) "6 images, no setting picked:
// choose one above".
QString batchSummaryText(const BatchCounts& counts, const std::optional<RuleControls>& rules,
                         const QString& settingTitle);

} // namespace quorvel
