#include "platform/Workspace.h"

#include "platform/Log.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include <gio/gdesktopappinfo.h>

namespace quorvel::platform {
namespace {

bool launchDesktopEntry(const QString& entry, const QString& file)
{
    GDesktopAppInfo* app = g_desktop_app_info_new_from_filename(QFile::encodeName(entry).constData());
    if (!app) {
        qCWarning(lcPlatform).noquote() << "not a usable desktop entry:" << entry;
        return false;
    }
    // GIO expands the field codes of Exec= (%f, %u, ...), honours Terminal=
    // and quotes the file itself; the entry's program is spawned directly.
    GList* files = g_list_append(nullptr, g_file_new_for_path(QFile::encodeName(file).constData()));
    GError* error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(app), files, nullptr, &error);
    if (!launched) {
        qCWarning(lcPlatform).noquote() << "could not launch" << entry << ":"
                                        << (error ? QString::fromUtf8(error->message) : QString());
        g_clear_error(&error);
    }
    g_list_free_full(files, g_object_unref);
    g_object_unref(app);
    return launched;
}

} // namespace

std::optional<QString> desktopEntryName(const QString& path)
{
    if (!path.endsWith(QLatin1String(".desktop")))
        return std::nullopt;
    GKeyFile* entry = g_key_file_new();
    std::optional<QString> result;
    if (g_key_file_load_from_file(entry, QFile::encodeName(path).constData(), G_KEY_FILE_NONE, nullptr)) {
        // Name=, in the user's language where the entry has it: what menus
        // and launchers call the application.
        if (gchar* name = g_key_file_get_locale_string(entry, "Desktop Entry", "Name", nullptr, nullptr)) {
            const QString text = QString::fromUtf8(name).trimmed();
            if (!text.isEmpty())
                result = text;
            g_free(name);
        }
    }
    g_key_file_free(entry);
    return result;
}

bool DesktopWorkspace::openFile(const QString& file, const QString& application)
{
    if (file.isEmpty() || application.isEmpty())
        return false;
    // An absolute path can never be taken for an option by the program.
    const QString target = QFileInfo(file).absoluteFilePath();
    if (application.endsWith(QLatin1String(".desktop")))
        return launchDesktopEntry(application, target);
    const bool started = QProcess::startDetached(application, {target});
    if (!started)
        qCWarning(lcPlatform).noquote() << "could not start" << application;
    return started;
}

bool DesktopWorkspace::openURL(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace quorvel::platform
