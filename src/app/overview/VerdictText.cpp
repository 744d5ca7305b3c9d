#include "app/overview/VerdictText.h"

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

QString unreadableReasonText(UnreadableReason reason)
{
    switch (reason) {
    case UnreadableReason::None: break;
    case UnreadableReason::NotAnImage: return Verdict::tr("not an image file");
    case UnreadableReason::NotSupported: return Verdict::tr("an image format that cannot be read here");
    case UnreadableReason::Damaged: return Verdict::tr("the file is damaged or cut short");
    case UnreadableReason::TooLarge: return Verdict::tr("the image is too large");
    case UnreadableReason::TimedOut: return Verdict::tr("reading the file took too long");
    case UnreadableReason::PermissionDenied: return Verdict::tr("no permission to read the file");
    case UnreadableReason::Vanished: return Verdict::tr("the file is no longer there");
    }
    return {};
}

QString verdictBannerText(const ImageMeasure& measure, const FileVerdict& verdict, const RuleControls& rules,
                          const QString& settingTitle)
{
    // Unreadable whatever the setting: no setting makes such a file pass.
    if (verdict.unreadable)
        return Verdict::tr("Unreadable: %1").arg(unreadableReasonText(measure.unreadableReason));
    if (settingTitle.isEmpty())
        return Verdict::tr("No setting picked: choose one above");
    if (!verdict.fails())
        return Verdict::tr("Passes %1").arg(settingTitle);

    QStringList reasons;
    if (verdict.colourFails) {
        const QString measured = QString::fromLatin1(colourLabel(measure.colourClass));
        const QString required = requiredColour(rules.selectedRow);
        reasons << (required.isEmpty() ? Verdict::tr("colour space %1, not the one required").arg(measured)
                                       : Verdict::tr("colour space %1, needs %2").arg(measured, required));
    }
    if (verdict.dpiFails) {
        reasons << (verdict.measuredDpi == std::numeric_limits<int32_t>::min()
                        ? Verdict::tr("resolution unknown, needs %1 dpi").arg(verdict.requiredDpi)
                        : Verdict::tr("%1 dpi, needs %2").arg(verdict.measuredDpi).arg(verdict.requiredDpi));
    }
    return Verdict::tr("Fails %1: %2").arg(settingTitle, reasons.join(QLatin1String("; ")));
}

QString verdictCellText(const FileVerdict& verdict)
{
    if (verdict.unreadable)
        return Verdict::tr("Unreadable");
    if (!verdict.fails())
        return Verdict::tr("Passes");
    QStringList what;
    if (verdict.colourFails)
        what << Verdict::tr("colour");
    if (verdict.dpiFails)
        what << Verdict::tr("dpi");
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
