#include "viewer/ViewerChoice.h"

#include "platform/DefaultsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QMetaType>
#include <QStandardPaths>
#include <QVariant>

namespace quorvel::viewer {

std::int8_t readPreferredReader(const platform::DefaultsStore& defaults)
{
    bool ok = false;
    const qlonglong stored = defaults.value(preferredAppKey).toLongLong(&ok);
    if (!ok)
        return 0;
    return static_cast<std::int8_t>(static_cast<std::uint8_t>(stored & 0xFF));
}

ViewerState viewerState(std::int8_t preferredReader)
{
    switch (preferredReader) {
    case 0: return ViewerState::None;
    case 1: return ViewerState::Chosen;
    default: return ViewerState::Other;
    }
}

std::optional<QString> readManager(const platform::DefaultsStore& defaults)
{
    const QVariant stored = defaults.value(managerKey);
    if (stored.typeId() != QMetaType::QString || stored.toString().isEmpty())
        return std::nullopt;
    return stored.toString();
}

void storeChoice(platform::DefaultsStore& defaults, const QString& path)
{
    defaults.setValue(managerKey, path);
    defaults.setValue(preferredAppKey, 1);
}

QString viewerDisplayName(const QString& path)
{
    qsizetype end = path.size();
    while (end > 1 && path.at(end - 1) == QLatin1Char('/'))
        --end;
    const QString trimmed = path.left(end);
    const QString name = trimmed.mid(trimmed.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

QString systemApplicationsFolder()
{
    return QStringLiteral("/usr/share/applications");
}

QStringList applicationFolders()
{
    QStringList folders;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QString clean = QDir::cleanPath(folder);
        if (QFileInfo(clean).isDir() && !folders.contains(clean))
            folders << clean;
    }
    if (!folders.contains(systemApplicationsFolder()) && QFileInfo(systemApplicationsFolder()).isDir())
        folders << systemApplicationsFolder();
    return folders;
}

} // namespace quorvel::viewer
