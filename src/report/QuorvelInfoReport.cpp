// The batch report: the pre-panel, the save panel and the report file. The
// controller only gathers the batch, the boxes and the live controls; the
// text itself is made by ReportText.
#include "app/QuorvelInfo.h"

#include "app/MainWindow.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Panels.h"
#include "report/ReportPrePanel.h"
#include "report/ReportProgress.h"
#include "report/ReportText.h"

#include "ui_MainWindow.h"

#include <QDir>

namespace quorvel {
namespace {

ReportPrePanel* prePanelOf(QWidget* window)
{
    return window ? window->findChild<ReportPrePanel*>(QStringLiteral("ReportPrePanel"), Qt::FindDirectChildrenOnly)
                  : nullptr;
}

} // namespace

void QuorvelInfo::connectReportOutlets()
{
    // The pre-panel belongs to the main window, made once with it.
    ReportPrePanel* panel = prePanelOf(m_finestra);
    if (!panel) {
        panel = new ReportPrePanel(m_finestra);
        connect(panel, &ReportPrePanel::dismissRequested, this, &QuorvelInfo::closeReportPrePanel);
        connect(panel, &ReportPrePanel::reportRequested, this, &QuorvelInfo::doReport);
    }
    Ui::MainWindow* ui = form();
    connect(ui->reportButton, &QAbstractButton::clicked, this, &QuorvelInfo::openReportPrePanel);
    connect(ui->reportAction, &QAction::triggered, this, &QuorvelInfo::openReportPrePanel);
}

bool QuorvelInfo::hasCurrentFile() const
{
    return m_nomideifiles && m_contatore >= 0 && m_contatore < m_nomideifiles->size();
}

void QuorvelInfo::openReportPrePanel()
{
    qCInfo(lcReport).noquote() << QStringLiteral("Command+R");
    ReportPrePanel* panel = prePanelOf(m_finestra);
    if (!panel || !hasCurrentFile() || m_reportRunning)
        return;
    panel->show();
    panel->raise();
    panel->activateWindow();
}

void QuorvelInfo::closeReportPrePanel()
{
    if (ReportPrePanel* panel = prePanelOf(m_finestra))
        panel->hide();
    // The inspector re-checks against whatever the controls now hold.
    if (m_notifications)
        m_notifications->post(QStringLiteral("cambiamento"));
}

void QuorvelInfo::doReport()
{
    ReportPrePanel* panel = prePanelOf(m_finestra);
    if (!panel || m_reportRunning)
        return;
    const SettingControlsView view = settingControls();
    ReportInputs inputs;
    inputs.options = panel->options();
    inputs.controls = ReportControls{view.ruleControls(), view.previewState(), view.selectedTitle()};
    traceReportRequest(inputs.options, inputs.controls);

    panel->hide(); // no "cambiamento" on this path

    qCInfo(lcReport).noquote() << QStringLiteral("File da censire: %1").arg(describePaths(m_nomideifiles));

    platform::Panels::SaveRequest request;
    request.title = tr("Save Report");
    request.proposedName = QStringLiteral("Report");
    request.suffix = QStringLiteral("txt");
    request.canCreateFolders = true;
    const std::optional<QString> chosen = m_panels ? m_panels->chooseSaveFile(m_finestra, request) : std::nullopt;
    if (!chosen)
        return;
    const QString path = *chosen;
    qCInfo(lcReport).noquote() << QStringLiteral("OK - Salvo il report qui: %1").arg(path);

    // The batch and the controls as they stand now; a batch dropped while the
    // images are being measured does not change this report.
    if (hasCurrentFile())
        inputs.files = *m_nomideifiles;
    inputs.date = QDateTime::currentDateTime();
    inputs.host = makerHost();

    m_reportRunning = true;
    const std::optional<QList<ImageRecord>> records =
        inputs.files.isEmpty() ? std::optional<QList<ImageRecord>>(QList<ImageRecord>())
                               : measureShowingProgress(m_finestra, inputs.files, *m_reader, 1000,
                                                        demandsNeedDetails(inputs.controls.rules.demands),
                                                        inputs.controls.rules.demands.inkLimitPercent.has_value());
    m_reportRunning = false;
    if (!records)
        return; // cancelled: no file

    m_carota = buildReport(inputs, *records).text;

    QString reason;
    if (!writeReport(path, *m_carota, &reason) && m_panels) {
        platform::Panels::Alert alert;
        alert.style = platform::Panels::AlertStyle::Warning;
        alert.title = tr("Save Report");
        alert.text = tr("The report could not be saved as “%1”.").arg(QDir::toNativeSeparators(path));
        alert.informativeText = reason;
        m_panels->alert(m_finestra, alert);
    }
}

} // namespace quorvel
