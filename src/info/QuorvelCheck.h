#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <chrono>

namespace quorvel {

namespace platform {
class Panels;
class Workspace;
} // namespace platform

// Asks the maker's web server for the latest version, on the user's command
// only, and tells the outcome in an alert.
class QuorvelCheck : public QObject {
    Q_OBJECT
public:
    struct Config {
        QUrl versionList;              // the version list on the maker's server
        QUrl downloadPage;             // opened when the user wants the new version
        QString runningVersion;        // this program's version
        std::chrono::milliseconds timeout{15000}; // a dead server must not hold the window forever
    };
    // The maker's server and this build's version.
    static Config defaultConfig();

    QuorvelCheck(platform::Panels* panels, platform::Workspace* workspace, QWidget* window,
                 Config config = defaultConfig(), QObject* parent = nullptr);

public Q_SLOTS:
    void checkForNewVersion();

private:
    platform::Panels* m_panels;
    platform::Workspace* m_workspace;
    QPointer<QWidget> m_window;
    Config m_config;
    QNetworkAccessManager m_network;
    bool m_checking = false;
};

} // namespace quorvel
