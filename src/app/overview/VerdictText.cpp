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
    if (!verdict.fails())
        return Verdict::tr("Passes %1").arg(settingTitle);

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
    return Verdict::tr("Fails %1: %2").arg(settingTitle, reasons.join(QLatin1String("; ")));
}

QString verdictCellText(const ImageRecord& record)
{
    if (!record.readable)
        return Verdict::tr("Unreadable");
    if (!record.judgement || !record.judgement->fails())
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
    const QString colour = rules.matrixEnabled ? requiredColour(rules.selectedRow) : QString();
    const int32_t dpi = requiredDpi(rules.sliderValue);
    return Verdict::tr("%1, %2").arg(colour.isEmpty() ? Verdict::tr("any colour space") : colour,
                            dpi > 0 ? Verdict::tr("%1 dpi").arg(dpi) : Verdict::tr("any resolution"));
}

QString batchSummaryText(const BatchCounts& counts, const RuleControls& rules, const QString& settingTitle)
{
    const QString images = counts.total == 1 ? Verdict::tr("1 image") : Verdict::tr("%1 images").arg(counts.total);
    QString text = Verdict::tr("%1: %2 pass, %3 fail, %4 unreadable")
                       .arg(images)
                       .arg(counts.pass)
                       .arg(counts.fail)
                       .arg(counts.unreadable);
    if (counts.pending > 0)
        text += Verdict::tr(", %1 still being read").arg(counts.pending);
    if (settingTitle.isEmpty())
        return text + Verdict::tr(", no setting picked");
    return text + Verdict::tr(", checked against %1 (%2)").arg(settingTitle, demandText(rules));
}

} // namespace quorvel
