#include "info/AboutController.h"

#include "info/VersionCheck.h"
#include "platform/Log.h"
#include "platform/Workspace.h"

#include "ui_QuorvelAboutPanel.h"

namespace quorvel {

AboutController::AboutController(platform::Workspace* workspace, QWidget* window, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_window(window)
{
}

AboutController::~AboutController()
{
    delete m_aboutPanel; // also when the window that it sits on is still alive
}

void AboutController::loadAboutPanel()
{
    auto form = std::make_unique<Ui::QuorvelAboutPanel>();
    auto* panel = new QDialog(m_window);
    form->setupUi(panel);
    form->versionLabel->setText(tr("Version %1").arg(QStringLiteral(QUORVEL_VERSION)));
    form->siteButton->setText(info::homePageUrl().toString());
    connect(form->siteButton, &QAbstractButton::clicked, this, &AboutController::goToSite);
    connect(form->buttonBox, &QDialogButtonBox::rejected, panel, &QDialog::reject);
    m_aboutPanel = panel;
    m_form = std::move(form);
}

void AboutController::showAboutPanel()
{
    qCInfo(lcInfo).noquote() << QStringLiteral("CARICATO");
    if (!m_aboutPanel)
        loadAboutPanel();
    m_aboutPanel->show();
    m_aboutPanel->raise();
    m_aboutPanel->activateWindow();
}

void AboutController::goToSite()
{
    if (m_workspace)
        m_workspace->openURL(info::homePageUrl());
}

} // namespace quorvel
