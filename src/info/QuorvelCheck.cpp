#include "info/QuorvelCheck.h"

#include "info/PropertyList.h"
#include "info/VersionCheck.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"

#include <QApplication>
#include <QCursor>

namespace quorvel {
namespace {

// The busy cursor for as long as the fetch waits.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

QuorvelCheck::Config QuorvelCheck::defaultConfig()
{
    return {info::versionListUrl(), info::downloadPageUrl(), QStringLiteral(QUORVEL_VERSION),
            std::chrono::milliseconds(15000)};
}

QuorvelCheck::QuorvelCheck(platform::Panels* panels, platform::Workspace* workspace, QWidget* window, Config config,
                           QObject* parent)
    : QObject(parent)
    , m_panels(panels)
    , m_workspace(workspace)
    , m_window(window)
    , m_config(std::move(config))
{
}

void QuorvelCheck::checkForNewVersion()
{
    if (!m_panels || m_checking)
        return;
    m_checking = true;
    std::optional<QByteArray> answer;
    {
        const BusyCursor busy;
        // The window repaints while the check waits, but takes no input.
        answer = info::fetchSmallDocument(m_network, m_config.versionList, m_config.timeout,
                                          info::maxPropertyListSize, QEventLoop::ExcludeUserInputEvents);
    }
    const info::VersionVerdict verdict =
        info::judgeVersionList(answer ? info::parsePropertyList(*answer) : std::nullopt, m_config.runningVersion);

    platform::Panels::Alert alert;
    alert.defaultButton = tr("OK");
    switch (verdict.outcome) {
    case info::VersionOutcome::NotConnected:
        alert.style = platform::Panels::AlertStyle::Warning;
        alert.title = tr("Not connected.");
        alert.text = tr("It seems you are not connected to the internet. Please be sure you are on-line.");
        m_panels->alert(m_window, alert);
        break;
    case info::VersionOutcome::UpToDate:
        alert.title = tr("Your Software is up-to-date");
        alert.text = tr("You have the most recent version of Quorvel.");
        m_panels->alert(m_window, alert);
        break;
    case info::VersionOutcome::NewVersion:
        alert.title = tr("A New Version is Available");
        alert.text = info::insertRemoteVersion(
            tr("A new version of Quorvel is available (version %1). Would you like to download the new version now?"),
            verdict.remoteVersion);
        alert.alternateButton = tr("Cancel");
        if (m_panels->alert(m_window, alert)) {
            if (m_workspace)
                m_workspace->openURL(m_config.downloadPage);
        } else {
            m_panels->beep();
        }
        break;
    }
    m_checking = false;
}

} // namespace quorvel
