#pragma once

#include "check/ImageRecord.h"
#include "check/PrintDemands.h"

#include <QString>
#include <QStringList>

namespace quorvel {

// The words for the print demands, shared by the report, the overview, the
// banner and the command line (which shows them untranslated).

// "print size", "ink", "profile", "transparency", "extra channels".
QString demandName(Demand demand);
// "A4" or "210 x 297 mm".
QString trimSizeText(const TrimSize& trim);
// "A4 + 3 mm bleed, ink limit 300 %, profile containing “FOGRA39”, no
// transparency": the demands that are on; empty when none is.
QString demandsSummary(const PrintDemands& demands);
// Why the image fails one demand, with the numbers: "needs 2552 x 3579 px
// for A4 + 3 mm bleed at 300 dpi, has 2480 x 3508".
QString demandFailureText(Demand demand, const ImageRecord& record, const Judgement& judgement,
                          const PrintDemands& demands);
// "print size, ink": the failing demands' names, in order.
QString failingDemandNames(const DemandResults& results);

} // namespace quorvel
