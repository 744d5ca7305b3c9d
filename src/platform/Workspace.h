#pragma once

#include <QString>

#include <optional>

class QUrl;

namespace quorvel::platform {

// Hands files and addresses to other programs. Every call returns as soon as
// the other program has been started; it runs on its own from then on.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens `file` with `application`: a desktop entry (".desktop") is launched
    // the way the desktop launches it, with the file; any other path is started
    // as a program with the file as its one argument. False when nothing could
    // be started.
    virtual bool openFile(const QString& file, const QString& application) = 0;

    // Opens an address in the program the user prefers for it (a web page in
    // the browser).
    virtual bool openURL(const QUrl& url) = 0;
};

// The name that a desktop entry (".desktop") gives its application, in the
// user's language where the entry has it ("Image Viewer" for
// org.gnome.Loupe.desktop); nothing for any other path, or an entry that
// cannot be read or names nothing.
std::optional<QString> desktopEntryName(const QString& path);

// Desktop entries through GIO, programs through QProcess, addresses through
// QDesktopServices. Never goes through a shell.
class DesktopWorkspace final : public Workspace {
public:
    bool openFile(const QString& file, const QString& application) override;
    bool openURL(const QUrl& url) override;
};

} // namespace quorvel::platform
