#pragma once

#include "check/PrintDemands.h"

#include <QMap>
#include <QString>
#include <QVariant>

namespace quorvel {

// Print demands by setting name, as kept in the user's defaults beside the
// settings list: settings with the same name share their demands.
using DemandsByName = QMap<QString, PrintDemands>;

// One setting's demands in their stored form (a map of plain values, the
// demands that are off left out), and back: absent when `stored` is not a
// readable entry.
QVariantMap demandsToStored(const PrintDemands& demands);
std::optional<PrintDemands> demandsFromStored(const QVariant& stored);

// The whole map; names with no demand on are left out. Unreadable entries
// are skipped when read.
QVariantMap demandsMapToStored(const DemandsByName& demands);
DemandsByName demandsMapFromStored(const QVariant& stored);

} // namespace quorvel
