#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace quorvel::platform {
class DefaultsStore;
}

namespace quorvel::viewer {

// The stored choice: "PreferredApp" (1 once a viewer has been chosen) and
// "Manager" (the full path of the chosen application file).
inline const QString preferredAppKey = QStringLiteral("PreferredApp");
inline const QString managerKey = QStringLiteral("Manager");

// Why the chooser runs: only to choose, or to choose and then open the
// current image with the chosen viewer.
enum class ChooserContext { ChooseOnly, ChooseAndOpen };

// What the low 8 bits of "PreferredApp" say. Other values are left alone:
// the open command then does nothing.
enum class ViewerState { None, Chosen, Other };

// The low 8 bits of "PreferredApp"; a missing or non-numeric value reads 0.
std::int8_t readPreferredReader(const platform::DefaultsStore& defaults);
ViewerState viewerState(std::int8_t preferredReader);

// The stored path, when "Manager" holds a non-empty text.
std::optional<QString> readManager(const platform::DefaultsStore& defaults);

// "Manager" first, then "PreferredApp" = 1.
void storeChoice(platform::DefaultsStore& defaults, const QString& path);

// The last path component without its extension (the last "." and what
// follows); a name without an extension, or one that only starts with a dot,
// stays whole.
QString viewerDisplayName(const QString& path);

// Where the chooser starts, and the applications folders that exist here.
QString systemApplicationsFolder();
QStringList applicationFolders();

} // namespace quorvel::viewer
