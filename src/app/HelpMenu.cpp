#include "app/HelpMenu.h"

#include "info/AboutController.h"
#include "info/QuorvelCheck.h"

#include "ui_MainWindow.h"

namespace quorvel {

void connectHelpMenu(Ui::MainWindow* form, QuorvelCheck* versionCheck, AboutController* about)
{
    QObject::connect(form->checkVersionAction, &QAction::triggered, versionCheck, &QuorvelCheck::checkForNewVersion);
    QObject::connect(form->aboutAction, &QAction::triggered, about, &AboutController::showAboutPanel);
    QObject::connect(form->siteAction, &QAction::triggered, about, &AboutController::goToSite);
}

} // namespace quorvel
