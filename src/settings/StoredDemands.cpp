#include "settings/StoredDemands.h"

#include "platform/Log.h"

#include <cmath>

namespace quorvel {
namespace {

const QString trimNameKey = QStringLiteral("trimName");
const QString trimWidthKey = QStringLiteral("trimWidthMm");
const QString trimHeightKey = QStringLiteral("trimHeightMm");
const QString bleedKey = QStringLiteral("bleedMm");
const QString inkLimitKey = QStringLiteral("inkLimitPercent");
const QString inkToleranceKey = QStringLiteral("inkToleranceMm2");
const QString requireProfileKey = QStringLiteral("requireProfile");
const QString profileContainsKey = QStringLiteral("profileContains");
const QString noTransparencyKey = QStringLiteral("noTransparency");
const QString noExtraChannelsKey = QStringLiteral("noExtraChannels");

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return std::isfinite(value.toDouble());
    default:
        return false;
    }
}

// A number within [low, high]; absent when missing, not a number or out of range.
std::optional<double> numberIn(const QVariantMap& map, const QString& key, double low, double high)
{
    const QVariant value = map.value(key);
    if (!isNumber(value))
        return std::nullopt;
    const double number = value.toDouble();
    if (number < low || number > high)
        return std::nullopt;
    return number;
}

} // namespace

QVariantMap demandsToStored(const PrintDemands& d)
{
    QVariantMap map;
    if (d.trim) {
        if (!d.trim->name.empty())
            map.insert(trimNameKey, QString::fromStdString(d.trim->name));
        map.insert(trimWidthKey, d.trim->widthMm);
        map.insert(trimHeightKey, d.trim->heightMm);
        map.insert(bleedKey, d.bleedMm);
    }
    if (d.inkLimitPercent) {
        map.insert(inkLimitKey, *d.inkLimitPercent);
        map.insert(inkToleranceKey, d.inkToleranceMm2);
    }
    if (d.requireProfile) {
        map.insert(requireProfileKey, true);
        if (!d.profileContains.empty())
            map.insert(profileContainsKey, QString::fromStdString(d.profileContains));
    }
    if (d.noTransparency)
        map.insert(noTransparencyKey, true);
    if (d.noExtraChannels)
        map.insert(noExtraChannelsKey, true);
    return map;
}

std::optional<PrintDemands> demandsFromStored(const QVariant& stored)
{
    if (stored.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = stored.toMap();
    PrintDemands d;
    if (map.contains(trimWidthKey) || map.contains(trimHeightKey)) {
        const std::optional<double> width = numberIn(map, trimWidthKey, 0.001, 10000.0);
        const std::optional<double> height = numberIn(map, trimHeightKey, 0.001, 10000.0);
        const std::optional<double> bleed = map.contains(bleedKey) ? numberIn(map, bleedKey, 0.0, 100.0) : 0.0;
        if (!width || !height || !bleed)
            return std::nullopt;
        d.trim = TrimSize{map.value(trimNameKey).toString().toStdString(), *width, *height};
        d.bleedMm = *bleed;
    }
    if (map.contains(inkLimitKey)) {
        const std::optional<double> limit = numberIn(map, inkLimitKey, 0.0, 400.0);
        const std::optional<double> tolerance =
            map.contains(inkToleranceKey) ? numberIn(map, inkToleranceKey, 0.0, 1e9) : 1.0;
        if (!limit || *limit != std::trunc(*limit) || !tolerance)
            return std::nullopt;
        d.inkLimitPercent = static_cast<int>(*limit);
        d.inkToleranceMm2 = *tolerance;
    }
    d.requireProfile = map.value(requireProfileKey).toBool();
    if (d.requireProfile)
        d.profileContains = map.value(profileContainsKey).toString().toStdString();
    d.noTransparency = map.value(noTransparencyKey).toBool();
    d.noExtraChannels = map.value(noExtraChannelsKey).toBool();
    return d;
}

QVariantMap demandsMapToStored(const DemandsByName& demands)
{
    QVariantMap stored;
    for (auto it = demands.begin(); it != demands.end(); ++it) {
        if (it.value().any())
            stored.insert(it.key(), demandsToStored(it.value()));
    }
    return stored;
}

DemandsByName demandsMapFromStored(const QVariant& stored)
{
    DemandsByName demands;
    if (stored.typeId() != QMetaType::QVariantMap)
        return demands;
    const QVariantMap map = stored.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (std::optional<PrintDemands> d = demandsFromStored(it.value()); d && d->any())
            demands.insert(it.key(), *d);
        else
            qCWarning(lcSettings).noquote() << "unreadable stored print checks skipped for" << it.key();
    }
    return demands;
}

} // namespace quorvel
