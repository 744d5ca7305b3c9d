// The composition root: builds the windows from their forms, creates the
// controllers, connects them, and runs the event loop.
#include "app/MainWindow.h"
#include "app/OpenedFiles.h"
#include "app/QuorvelInfo.h"
#include "app/SettingPicker.h"
#include "info/AboutController.h"
#include "info/QuorvelCheck.h"
#include "platform/JsonDefaultsStore.h"
#include "platform/NotificationCenter.h"
#include "platform/Panels.h"
#include "platform/Translations.h"
#include "platform/Workspace.h"
#include "settings/PrefManager.h"
#include "settings/PreferencesWindow.h"

#include <QApplication>
#include <QDir>
#include <QStringList>

#include "ui_MainWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    QApplication::setQuitOnLastWindowClosed(true);
    // Localisation: the user's language, before any form takes its texts.
    quorvel::platform::installTranslations(QLocale::system());

    quorvel::platform::NotificationCenter notifications;
    quorvel::platform::QtPanels panels;
    quorvel::PreferencesWindow preferences;
    quorvel::MainWindow mainWindow;
    quorvel::platform::DesktopWorkspace workspace; // viewer, version check, web link
    quorvel::platform::JsonDefaultsStore defaults;
    quorvel::PrefManager prefManager(defaults, &preferences, &notifications, &panels);

    quorvel::QuorvelInfo* info = quorvel::QuorvelInfo::sharedInstance();
    info->connectOutlets({&mainWindow, &preferences, &notifications, &panels, &defaults, &workspace});
    info->awakeFromNib();
    prefManager.awakeFromNib();
    // The main window's "Checking against" pop-up picks through the preferences.
    quorvel::SettingPicker settingPicker(mainWindow.form()->checkingAgainst,
                                         preferences.findChild<QComboBox*>(QStringLiteral("mioPopUp")), &prefManager);

    // Product information: the version check, the About panel and the web link.
    quorvel::QuorvelCheck versionCheck(&panels, &workspace, &mainWindow);
    quorvel::AboutController about(&workspace, &mainWindow);
    QObject::connect(mainWindow.form()->checkVersionAction, &QAction::triggered, &versionCheck,
                     &quorvel::QuorvelCheck::checkForNewVersion);
    QObject::connect(mainWindow.form()->aboutAction, &QAction::triggered, &about,
                     &quorvel::AboutController::showAboutPanel);
    QObject::connect(mainWindow.form()->siteAction, &QAction::triggered, &about, &quorvel::AboutController::goToSite);

    mainWindow.show();

    // Files given on the command line are files opened with the application,
    // and so are those that the platform opens with the running program.
    const QStringList files = quorvel::filesFromArguments(QApplication::arguments().mid(1), QDir::currentPath());
    if (!files.isEmpty())
        info->applicationOpenFiles(files);
    quorvel::OpenedFilesCollector openedFiles;
    QObject::connect(&openedFiles, &quorvel::OpenedFilesCollector::filesOpened, info,
                     &quorvel::QuorvelInfo::applicationOpenFiles);
    app.installEventFilter(&openedFiles);

    const int status = QApplication::exec();
    quorvel::QuorvelInfo::releaseSharedInstance();
    return status;
}
