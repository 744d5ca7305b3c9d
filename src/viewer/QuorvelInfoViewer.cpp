// The external viewer: the application that the user chooses once, shown in
// the main window's label, and opening the current image with it.
#include "app/QuorvelInfo.h"

#include "app/MainWindow.h"
#include "platform/DefaultsStore.h"
#include "platform/Log.h"
#include "platform/Panels.h"
#include "platform/Workspace.h"
#include "viewer/ViewerChoice.h"

#include "ui_MainWindow.h"

namespace quorvel {

void QuorvelInfo::connectViewerOutlets(const Outlets& outlets)
{
    m_workspace = outlets.workspace;
    Ui::MainWindow* ui = form();
    connect(ui->modifyButton, &QAbstractButton::clicked, this, &QuorvelInfo::openImageManager);
    connect(ui->openViewerAction, &QAction::triggered, this, &QuorvelInfo::openImageManager);
    connect(ui->chooseSupportButton, &QAbstractButton::clicked, this, &QuorvelInfo::changeImageManager);
    connect(ui->changeViewerAction, &QAction::triggered, this, &QuorvelInfo::changeImageManager);
}

// A "Manager" that is missing or not a text shows as no choice at all, so the
// next open command lets the user choose again.
void QuorvelInfo::showViewer(const std::optional<QString>& manager)
{
    Ui::MainWindow* ui = form();
    if (manager) {
        // A desktop entry's own name; otherwise the file's name without extension.
        ui->applicationSupport->setText(platform::desktopEntryName(*manager).value_or(viewer::viewerDisplayName(*manager)));
        ui->chooseSupportButton->setText(tr("Change"));
    } else {
        ui->applicationSupport->setText(tr("Nothing"));
        ui->chooseSupportButton->setText(tr("Choose"));
    }
}

void QuorvelInfo::showViewerLabel()
{
    if (!m_finestra)
        return;
    m_preferredReader = m_defaults ? viewer::readPreferredReader(*m_defaults) : 0;
    std::optional<QString> manager;
    if (m_defaults && viewer::viewerState(m_preferredReader) == viewer::ViewerState::Chosen) {
        manager = viewer::readManager(*m_defaults);
        if (manager)
            qCInfo(lcViewer).noquote() << QStringLiteral("----->>> %1").arg(*manager);
    }
    showViewer(manager);
}

void QuorvelInfo::openImageManager()
{
    if (!m_nomideifiles || m_contatore < 0 || m_contatore >= m_nomideifiles->size())
        return;
    if (!m_defaults || !m_finestra)
        return; // nowhere to keep a choice
    m_preferredReader = viewer::readPreferredReader(*m_defaults);
    switch (viewer::viewerState(m_preferredReader)) {
    case viewer::ViewerState::None:
        runViewerChooser(viewer::ChooserContext::ChooseAndOpen);
        return;
    case viewer::ViewerState::Chosen:
        if (const std::optional<QString> manager = viewer::readManager(*m_defaults)) {
            qCInfo(lcViewer).noquote() << QStringLiteral("Caricato");
            qCInfo(lcViewer).noquote() << QStringLiteral("MANAGER?: %1").arg(*manager);
            openCurrentImageWith(*manager);
        } else {
            runViewerChooser(viewer::ChooserContext::ChooseAndOpen);
        }
        return;
    case viewer::ViewerState::Other:
        return;
    }
}

void QuorvelInfo::changeImageManager()
{
    if (!m_defaults || !m_finestra)
        return;
    runViewerChooser(viewer::ChooserContext::ChooseOnly);
}

void QuorvelInfo::runViewerChooser(viewer::ChooserContext context)
{
    if (!m_panels)
        return;
    platform::Panels::ApplicationRequest request;
    request.title = tr("Choose Viewer");
    request.prompt = tr("Select");
    request.nameFilters = {tr("Applications (*.desktop)"), tr("All files (*)")};
    request.startDirectory = viewer::systemApplicationsFolder();
    request.places = viewer::applicationFolders();
    // Modal to the main window only; the answer comes back here on the main thread.
    const std::optional<QString> chosen = m_panels->chooseApplication(m_finestra, request);
    openPanelDidEnd(chosen, context);
}

void QuorvelInfo::openPanelDidEnd(const std::optional<QString>& chosen, viewer::ChooserContext context)
{
    if (!chosen) {
        qCInfo(lcViewer).noquote() << QStringLiteral("nessuna applicazione scelta");
        return;
    }
    if (!m_defaults || !m_finestra)
        return;
    qCInfo(lcViewer).noquote() << QStringLiteral("PERCORSO MANAGER: %1").arg(*chosen);
    viewer::storeChoice(*m_defaults, *chosen);
    // What the store gives back is what counts from now on.
    const std::optional<QString> manager = viewer::readManager(*m_defaults);
    qCInfo(lcViewer).noquote() << QStringLiteral("MANAGER: %1").arg(manager.value_or(QString()));
    showViewer(manager);
    if (manager && context == viewer::ChooserContext::ChooseAndOpen)
        openCurrentImageWith(*manager);
}

void QuorvelInfo::openCurrentImageWith(const QString& application)
{
    if (!m_workspace || !m_nomideifiles || m_contatore < 0 || m_contatore >= m_nomideifiles->size())
        return;
    // The result is not examined: a viewer that has gone away is not reported.
    m_workspace->openFile(m_nomideifiles->at(m_contatore), application);
}

} // namespace quorvel
