#include "report/DemandText.h"

#include <QCoreApplication>

namespace quorvel {
namespace {

QString looked(const char* english)
{
    return QCoreApplication::translate("Demands", english);
}

// 3, 0.5, 215.9: no trailing zeros.
QString millimetres(double mm)
{
    return QString::number(mm, 'g', 6);
}

} // namespace

QString demandName(Demand demand)
{
    switch (demand) {
    case Demand::PrintSize: return looked(QT_TRANSLATE_NOOP("Demands", "print size"));
    case Demand::Ink: return looked(QT_TRANSLATE_NOOP("Demands", "ink"));
    case Demand::Profile: return looked(QT_TRANSLATE_NOOP("Demands", "profile"));
    case Demand::Transparency: return looked(QT_TRANSLATE_NOOP("Demands", "transparency"));
    case Demand::ExtraChannels: break;
    }
    return looked(QT_TRANSLATE_NOOP("Demands", "extra channels"));
}

QString trimSizeText(const TrimSize& trim)
{
    if (!trim.name.empty())
        return QString::fromStdString(trim.name);
    return looked(QT_TRANSLATE_NOOP("Demands", "%1 x %2 mm")).arg(millimetres(trim.widthMm), millimetres(trim.heightMm));
}

static QString pageText(const PrintDemands& demands)
{
    const QString trim = trimSizeText(*demands.trim);
    if (demands.bleedMm <= 0.0)
        return trim;
    return looked(QT_TRANSLATE_NOOP("Demands", "%1 + %2 mm bleed")).arg(trim, millimetres(demands.bleedMm));
}

QString demandsSummary(const PrintDemands& d)
{
    QStringList parts;
    if (d.trim)
        parts.append(pageText(d));
    if (d.inkLimitPercent)
        parts.append(looked(QT_TRANSLATE_NOOP("Demands", "ink limit %1 %")).arg(*d.inkLimitPercent));
    if (d.requireProfile) {
        if (d.profileContains.empty())
            parts.append(looked(QT_TRANSLATE_NOOP("Demands", "an embedded profile")));
        else
            parts.append(looked(QT_TRANSLATE_NOOP("Demands", "profile containing “%1”"))
                             .arg(QString::fromStdString(d.profileContains)));
    }
    if (d.noTransparency)
        parts.append(looked(QT_TRANSLATE_NOOP("Demands", "no transparency")));
    if (d.noExtraChannels)
        parts.append(looked(QT_TRANSLATE_NOOP("Demands", "no extra channels")));
    return parts.join(QStringLiteral(", "));
}

QString demandFailureText(Demand demand, const ImageRecord& record, const Judgement& judgement,
                          const PrintDemands& demands)
{
    const ImageMeasure& m = record.measure;
    const DemandResults& r = judgement.demands;
    switch (demand) {
    case Demand::PrintSize:
        if (!demands.trim)
            return QString();
        return looked(QT_TRANSLATE_NOOP("Demands", "needs %1 x %2 px for %3 at %4 dpi, has %5 x %6"))
            .arg(r.neededPixels.wide)
            .arg(r.neededPixels.high)
            .arg(pageText(demands))
            .arg(judgement.requiredDpi)
            .arg(m.pixelsWide)
            .arg(m.pixelsHigh);
    case Demand::Ink:
        if (!r.inkFigures || !demands.inkLimitPercent)
            return QString();
        return looked(QT_TRANSLATE_NOOP("Demands",
                                        "%1 mm² above %2 % total ink (maximum %3 %, 99.9th percentile %4 %)"))
            .arg(QString::number(r.inkFigures->areaAboveMm2, 'f', 1))
            .arg(*demands.inkLimitPercent)
            .arg(QString::number(r.inkFigures->maximumPercent, 'f', 0))
            .arg(QString::number(r.inkFigures->percentile999, 'f', 0));
    case Demand::Profile:
        if (!record.details || !record.details->hasProfile)
            return looked(QT_TRANSLATE_NOOP("Demands", "no embedded profile"));
        return looked(QT_TRANSLATE_NOOP("Demands", "profile “%1” does not contain “%2”"))
            .arg(QString::fromStdString(record.details->profileDescription),
                 QString::fromStdString(demands.profileContains));
    case Demand::Transparency:
        return looked(QT_TRANSLATE_NOOP("Demands", "has an alpha channel"));
    case Demand::ExtraChannels:
        break;
    }
    const int extra = record.details ? record.details->extraChannels : 0;
    return looked(QT_TRANSLATE_NOOP("Demands", "extra channels: %1")).arg(extra);
}

QString failingDemandNames(const DemandResults& results)
{
    QStringList names;
    for (Demand d : results.failing())
        names.append(demandName(d));
    return names.join(QStringLiteral(", "));
}

} // namespace quorvel
