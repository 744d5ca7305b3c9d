#pragma once

#include <QObject>
#include <QStringList>

namespace quorvel::platform {

// One running copy per session: the first copy owns the application id on
// the D-Bus session bus and answers the freedesktop application interface
// (Activate, Open), which desktops call for a DBusActivatable entry; a later
// copy hands its files to that one and ends. Without a session bus every
// copy runs on its own.
class AppInstance : public QObject {
    Q_OBJECT
public:
    explicit AppInstance(const QString& applicationId = QStringLiteral(QUORVEL_APP_ID), QObject* parent = nullptr);
    ~AppInstance() override;

    // Takes the application id on the bus; false when another copy holds it
    // (or there is no bus).
    bool becomePrimary();
    enum class HandOver {
        Taken,       // the running copy has the files
        NoCopy,      // no copy holds the id (or no bus): nothing was handed over
        NotAnswered, // the copy holds the id but gave no answer in time; the
                     // call waits in its queue and may still be taken
    };
    // Hands absolute paths (none: just "come to the front") to the copy that
    // holds the id, waiting at most `timeoutMs` for its answer.
    HandOver handOver(const QStringList& files, int timeoutMs = 10000) const;

    // The bus object path of an application id, as the freedesktop convention makes it.
    static QString objectPath(const QString& applicationId);

Q_SIGNALS:
    // Another start asked for the running copy, with files to open or without.
    // Emitted on the event loop's next turn, after the caller has its answer,
    // so that no check of a file ever holds the other start waiting.
    void activateRequested();
    void openRequested(const QStringList& files);

private:
    QString m_id;
    bool m_registered = false;
};

} // namespace quorvel::platform
