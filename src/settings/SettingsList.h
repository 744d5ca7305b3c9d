#pragma once

#include "settings/StoredDemands.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

namespace quorvel {

namespace platform {
class DefaultsStore;
}

// A setting's four values, in their stored order.
struct SettingValues {
    int preview = 1;   // 1 shows the preview
    int colourRow = 1; // 0 CMYK, 1 RGB, 2 Grayscale
    int dpi = 0;       // the slider's value
    int disabled = 0;  // exactly 1 disables the value controls (and so the colour check)

    bool operator==(const SettingValues&) const = default;
};

struct Setting {
    QString name; // the only identity; names may repeat
    SettingValues values;

    bool operator==(const Setting&) const = default;
};

// The list of settings in pop-up order, kept in the user's defaults under
// "allSettingValues" as one-entry maps name -> four integers. With nothing
// stored, the five presets are made (and not stored until the first add or
// delete); a stored list, even an empty one, is always used.
//
// A setting's print demands are kept apart, under "printDemands", by
// setting name: the list keeps the form that every copy of the program
// reads. Both are written together under one lock.
class SettingsList {
public:
    static const QString storeKey;
    static const QString demandsKey;

    explicit SettingsList(platform::DefaultsStore& store);

    const QList<Setting>& entries() const { return m_entries; }
    qsizetype size() const { return m_entries.size(); }
    QStringList names() const;
    std::optional<SettingValues> valuesAt(qsizetype index) const;
    // The demands of settings of that name; all off when none are kept.
    PrintDemands demandsOf(const QString& name) const { return m_demands.value(name); }
    const DemandsByName& allDemands() const { return m_demands; }

    // Adds at the end and writes the whole list. Another running copy may
    // have stored settings since this one read the list: the change is made
    // to the list as stored now, so neither copy's settings are lost.
    // The demands become those of every setting of that name (none clears them).
    void append(const QString& name, const SettingValues& values, const PrintDemands& demands = {});
    // Removes the first entry with that name (as the pop-up finds it) and
    // writes the whole list, on the list as stored now. The name's demands
    // go with the last setting of that name.
    void removeFirst(const QString& name);
    // Writes the whole list as it stands (a delete that found nothing to remove).
    void storeUnchanged();

    // The presets in list order, named in the language now in force.
    static QList<Setting> presets();
    // The stored form of a list, and back. Entries that cannot be read are
    // skipped and described in `skipped`.
    static QVariantList toStored(const QList<Setting>& settings);
    static std::optional<QList<Setting>> fromStored(const QVariant& stored, QStringList* skipped = nullptr);

    // The textual description of a list and of four values, for trace lines.
    static QString describe(const QList<Setting>& settings);
    static QString describe(const SettingValues& values);

private:
    // Changes the list as stored now, entries that cannot be read included,
    // so that a hand edit gone wrong is kept; while nothing is stored, this
    // copy's list. Then writes it whole and takes it as this copy's list.
    // The demands are changed alike, then those of names no longer listed dropped.
    void change(const std::function<void(QVariantList&)>& edit,
                const std::function<void(DemandsByName&)>& editDemands = {});

    platform::DefaultsStore& m_store;
    QList<Setting> m_entries;
    DemandsByName m_demands;
};

} // namespace quorvel
