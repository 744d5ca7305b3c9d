#include "app/overview/VerdictText.h"

#include "app/UnreadableText.h"
#include "report/DemandText.h"

#include <QCoreApplication>
#include <QStringList>

#include <limits>

namespace quorvel {
namespace {

// The translation context of every verdict text.
class Verdict {
    Q_DECLARE_TR_FUNCTIONS(Verdict)
};

// The colour row a setting demands, as the inspector names classes.
QString requiredColour(int32_t row)
{
    switch (row) {
    case 0: return QString::fromLatin1(colourLabel(ColourClass::CMYK));
    case 1: return QString::fromLatin1(colourLabel(ColourClass::RGB));
    case 2: return QString::fromLatin1(colourLabel(ColourClass::Grayscale));
    default: return {};
    }
}

} // namespace

QString verdictBannerText(const ImageRecord& record, const RuleControls& rules, const QString& settingTitle)
{
    // Unreadable whatever the setting: no setting makes such a file pass.
    if (!record.readable)
        return Verdict::tr("Unreadable: %1").arg(unreadableText(record.unreadableReason));
    if (settingTitle.isEmpty())
        return Verdict::tr("No setting picked: choose one above");
    const Judgement verdict = record.judgement.value_or(judge(record, rules));
    // A setting that demands nothing passes everything: saying "passes" alone
    // would read as "passes nothing".
    if (!rules.matrixEnabled && verdict.requiredDpi <= 0 && !rules.demands.any() && !verdict.fails())
        return Verdict::tr("No demands: every image passes %1").arg(settingTitle);
    // Lab, duotone, device spaces...: the colour rule has nothing to say.
    const bool colourNotChecked = rules.matrixEnabled && record.measure.colourClass == ColourClass::Other;
    const QString spaceName = record.measure.colourSpaceName
        ? QString::fromStdString(*record.measure.colourSpaceName)
        : Verdict::tr("unknown");
    if (!verdict.fails()) {
        return colourNotChecked ? Verdict::tr("Passes %1 (colour not checked: %2)").arg(settingTitle, spaceName)
                                : Verdict::tr("Passes %1").arg(settingTitle);
    }

    QStringList reasons;
    if (verdict.colourFails) {
        const QString measured = QString::fromLatin1(colourLabel(record.measure.colourClass));
        const QString required = requiredColour(rules.selectedRow);
        reasons << (required.isEmpty() ? Verdict::tr("colour space %1, not the one required").arg(measured)
                                       : Verdict::tr("colour space %1, needs %2").arg(measured, required));
    }
    if (verdict.dpiFails) {
        reasons << (record.measuredDpi == std::numeric_limits<int32_t>::min()
                        ? Verdict::tr("resolution unknown, needs %1 dpi").arg(verdict.requiredDpi)
                        : Verdict::tr("%1 dpi, needs %2").arg(record.measuredDpi).arg(verdict.requiredDpi));
    }
    // Each failing print check with its numbers.
    for (Demand demand : verdict.demands.failing())
        reasons << Verdict::tr("%1: %2").arg(demandName(demand), demandFailureText(demand, record, verdict, rules.demands));
    const QString why = reasons.join(QLatin1String("; "));
    return colourNotChecked ? Verdict::tr("Fails %1: %2 (colour not checked: %3)").arg(settingTitle, why, spaceName)
                            : Verdict::tr("Fails %1: %2").arg(settingTitle, why);
}

QString verdictCellText(const ImageRecord& record)
{
    if (!record.readable)
        return Verdict::tr("Unreadable");
    if (!record.judgement)
        return {};
    if (!record.judgement->fails())
        return Verdict::tr("Passes");
    QStringList what;
    if (record.judgement->colourFails)
        what << Verdict::tr("colour");
    if (record.judgement->dpiFails)
        what << Verdict::tr("dpi");
    for (Demand demand : record.judgement->demands.failing())
        what << demandName(demand);
    return Verdict::tr("Fails: %1").arg(what.join(QLatin1String(", ")));
}

QString demandText(const RuleControls& rules)
{
    QString colour;
    if (!rules.matrixEnabled)
        colour = Verdict::tr("any colour space");
    else if (rules.selectedRow < 0)
        colour = Verdict::tr("no colour space chosen"); // every class fails
    else
        colour = requiredColour(rules.selectedRow);
    const int32_t dpi = requiredDpi(rules.sliderValue);
    return Verdict::tr("%1, %2").arg(colour, dpi > 0 ? Verdict::tr("%1 dpi").arg(dpi) : Verdict::tr("any resolution"));
}

QString batchSummaryText(const BatchCounts& counts, const std::optional<RuleControls>& rules,
                         const QString& settingTitle)
{
    // The languages' own plural forms; one image is singular everywhere.
    const QString images = counts.total == 1 ? Verdict::tr("1 image") : Verdict::tr("%n images", nullptr, counts.total);
    if (!rules || settingTitle.isEmpty())
        return Verdict::tr("%1, no setting picked: choose one above").arg(images);
    QString text = Verdict::tr("%1: %2, %3, %4")
                       .arg(images, Verdict::tr("%n pass", nullptr, counts.pass),
                            Verdict::tr("%n fail", nullptr, counts.fail),
                            Verdict::tr("%n unreadable", nullptr, counts.unreadable));
    if (counts.pending > 0)
        text += Verdict::tr(", %n still being read", nullptr, counts.pending);
    return text + Verdict::tr(", checked against %1 (%2)", nullptr, counts.total).arg(settingTitle, demandText(*rules));
}

} // namespace quorvel
