#include "settings/SettingsList.h"

#include "platform/DefaultsStore.h"
#include "platform/Log.h"

#include <QCoreApplication>
#include <QVariantMap>

#include <cmath>
#include <limits>

namespace quorvel {

const QString SettingsList::storeKey = QStringLiteral("allSettingValues");
const QString SettingsList::demandsKey = QStringLiteral("printDemands");

namespace {

std::optional<int> readInteger(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double: {
        bool ok = false;
        const double number = value.toDouble(&ok);
        // In range before the cast: casting 1e300 to int is undefined.
        if (!ok || !(number >= std::numeric_limits<int>::min() && number <= std::numeric_limits<int>::max())
            || number != std::trunc(number))
            return std::nullopt;
        return static_cast<int>(number);
    }
    default:
        return std::nullopt; // text, lists and the like are not a number here
    }
}

std::optional<Setting> readEntry(const QVariant& entry)
{
    if (entry.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariantMap map = entry.toMap();
    if (map.size() != 1)
        return std::nullopt;
    const QVariant values = map.first();
    if (values.typeId() != QMetaType::QVariantList && values.typeId() != QMetaType::QStringList)
        return std::nullopt;
    const QVariantList list = values.toList();
    if (list.size() != 4)
        return std::nullopt;
    std::array<int, 4> numbers{};
    for (int i = 0; i < 4; ++i) {
        const std::optional<int> number = readInteger(list.at(i));
        if (!number)
            return std::nullopt;
        numbers[i] = *number;
    }
    return Setting{map.firstKey(), {numbers[0], numbers[1], numbers[2], numbers[3]}};
}

QString describeValue(const QVariant& value)
{
    QString text;
    QDebug(&text).noquote() << value;
    return text;
}

} // namespace

SettingsList::SettingsList(platform::DefaultsStore& store)
    : m_store(store)
{
    if (std::optional<QList<Setting>> stored = fromStored(m_store.value(storeKey)))
        m_entries = *stored;
    else
        m_entries = presets();
    m_demands = demandsMapFromStored(m_store.value(demandsKey));
}

QList<Setting> SettingsList::presets()
{
    return {
        {QCoreApplication::translate("Settings", "None"), {1, 1, 0, 1}},
        {QCoreApplication::translate("Settings", "Pre-Press"), {1, 0, 300, 0}},
        {QCoreApplication::translate("Settings", "Web"), {1, 1, 72, 0}},
        {QCoreApplication::translate("Settings", "BWPhotos"), {1, 2, 150, 0}},
        {QCoreApplication::translate("Settings", "Pencil"), {1, 2, 600, 0}},
    };
}

QStringList SettingsList::names() const
{
    QStringList result;
    result.reserve(m_entries.size());
    for (const Setting& setting : m_entries)
        result.append(setting.name);
    return result;
}

std::optional<SettingValues> SettingsList::valuesAt(qsizetype index) const
{
    if (index < 0 || index >= m_entries.size())
        return std::nullopt;
    return m_entries.at(index).values;
}

void SettingsList::change(const std::function<void(QVariantList&)>& edit,
                          const std::function<void(DemandsByName&)>& editDemands)
{
    QVariantList written;
    DemandsByName demands;
    m_store.updateTogether({storeKey, demandsKey}, [&](QVariantMap& values) {
        const QVariant stored = values.value(storeKey);
        written = stored.typeId() == QMetaType::QVariantList ? stored.toList() : toStored(m_entries);
        edit(written);
        values.insert(storeKey, written);

        const bool demandsStored = values.contains(demandsKey);
        demands = demandsMapFromStored(values.value(demandsKey));
        if (editDemands)
            editDemands(demands);
        QStringList listed;
        for (const QVariant& entry : std::as_const(written)) {
            if (std::optional<Setting> setting = readEntry(entry))
                listed.append(setting->name);
        }
        for (auto it = demands.begin(); it != demands.end();) {
            if (listed.contains(it.key()) && it.value().any())
                ++it;
            else
                it = demands.erase(it);
        }
        // Nothing written under the key of its own until a demand is made.
        if (demandsStored || !demands.isEmpty())
            values.insert(demandsKey, demandsMapToStored(demands));
        else
            values.remove(demandsKey);
    });
    m_entries = fromStored(written).value_or(QList<Setting>());
    m_demands = demands;
}

void SettingsList::append(const QString& name, const SettingValues& values, const PrintDemands& demands)
{
    change([&](QVariantList& stored) { stored.append(toStored({Setting{name, values}})); },
           [&](DemandsByName& byName) {
               if (demands.any())
                   byName.insert(name, demands);
               else
                   byName.remove(name);
           });
}

void SettingsList::removeFirst(const QString& name)
{
    change([&](QVariantList& stored) {
        for (qsizetype i = 0; i < stored.size(); ++i) {
            const std::optional<Setting> setting = readEntry(stored.at(i));
            if (setting && setting->name == name) {
                stored.removeAt(i);
                break;
            }
        }
    });
}

void SettingsList::storeUnchanged()
{
    change([](QVariantList&) {});
}

QVariantList SettingsList::toStored(const QList<Setting>& settings)
{
    QVariantList stored;
    stored.reserve(settings.size());
    for (const Setting& setting : settings) {
        const SettingValues& v = setting.values;
        QVariantMap entry;
        entry.insert(setting.name, QVariantList{v.preview, v.colourRow, v.dpi, v.disabled});
        stored.append(entry);
    }
    return stored;
}

std::optional<QList<Setting>> SettingsList::fromStored(const QVariant& stored, QStringList* skipped)
{
    if (!stored.isValid())
        return std::nullopt;
    if (stored.typeId() != QMetaType::QVariantList) {
        qCWarning(lcSettings).noquote() << "stored settings are not a list, ignored:" << describeValue(stored);
        return std::nullopt;
    }
    QList<Setting> settings;
    const QVariantList entries = stored.toList();
    for (const QVariant& entry : entries) {
        if (std::optional<Setting> setting = readEntry(entry)) {
            settings.append(*setting);
            continue;
        }
        const QString description = describeValue(entry);
        qCWarning(lcSettings).noquote() << "unreadable stored setting skipped:" << description;
        if (skipped)
            skipped->append(description);
    }
    return settings;
}

QString SettingsList::describe(const SettingValues& values)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(values.preview).arg(values.colourRow).arg(values.dpi).arg(values.disabled);
}

QString SettingsList::describe(const QList<Setting>& settings)
{
    QStringList parts;
    for (const Setting& setting : settings)
        parts.append(QStringLiteral("{\"%1\" = %2}").arg(setting.name, describe(setting.values)));
    return QLatin1Char('(') + parts.join(QLatin1String(", ")) + QLatin1Char(')');
}

} // namespace quorvel
