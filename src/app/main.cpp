// The composition root: builds the windows from their forms, creates the
// controllers, connects them, and runs the event loop.
#include "app/HelpMenu.h"
#include "app/MainWindow.h"
#include "app/OpenedFiles.h"
#include "app/QuorvelInfo.h"
#include "app/SettingPicker.h"
#include "info/AboutController.h"
#include "info/QuorvelCheck.h"
#include "platform/AppInstance.h"
#include "platform/JsonDefaultsStore.h"
#include "platform/NotificationCenter.h"
#include "platform/Panels.h"
#include "platform/Translations.h"
#include "platform/Workspace.h"
#include "settings/PrefManager.h"
#include "settings/PreferencesWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>
#include <QDir>
#include <QStringList>

#include "ui_MainWindow.h"

#include <cstdio>

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

    // The manual page is made from this --help at build time.
    QCommandLineParser commandLine;
    commandLine.setApplicationDescription(QApplication::translate(
        "main", "Checks the pixel size, resolution and colour space of image files before print or web."));
    commandLine.addHelpOption();
    commandLine.addVersionOption();
    const QCommandLineOption newWindowOption(
        QStringLiteral("new-window"),
        QApplication::translate("main", "Start a copy of its own, even when one is already running."));
    commandLine.addOption(newWindowOption);
    commandLine.addPositionalArgument(QStringLiteral("files"),
                                      QApplication::translate("main", "Image files to check, as one batch."),
                                      QStringLiteral("[FILE...]"));
    commandLine.process(app);

    // Files given on the command line are files opened with the application.
    // With a copy already running they go to it, and this start ends there;
    // --new-window always starts a copy of its own.
    const QStringList files = quorvel::filesFromArguments(commandLine.positionalArguments(), QDir::currentPath());
    quorvel::platform::AppInstance instance;
    if (!commandLine.isSet(newWindowOption) && !instance.becomePrimary()) {
        using HandOver = quorvel::platform::AppInstance::HandOver;
        switch (instance.handOver(files)) {
        case HandOver::Taken:
            return 0;
        case HandOver::NotAnswered:
            // The files wait in the running copy's queue: a window here too
            // would show the same batch twice once that copy answers.
            std::fputs(qPrintable(QApplication::translate(
                           "main", "The running copy of Quorvel did not answer. It will show the files when it "
                                   "can; no second window was opened.")
                                      + QLatin1Char('\n')),
                       stderr);
            return 1;
        case HandOver::NoCopy:
            // The copy that held the id went away (or there is no session
            // bus): this start is the one that shows the files.
            if (!instance.becomePrimary() && QDBusConnection::sessionBus().isConnected())
                std::fputs(qPrintable(QApplication::translate(
                               "main", "No running copy of Quorvel answered; this one opens the files itself.")
                                          + QLatin1Char('\n')),
                           stderr);
            break;
        }
    }

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
    quorvel::connectHelpMenu(mainWindow.form(), &versionCheck, &about);

    mainWindow.show();

    if (!files.isEmpty())
        info->applicationOpenFiles(files);
    // Files opened from the desktop or by a later start reach this copy.
    const auto toFront = [&mainWindow] {
        mainWindow.show();
        mainWindow.raise();
        mainWindow.activateWindow();
    };
    QObject::connect(&instance, &quorvel::platform::AppInstance::openRequested, info,
                     [info, toFront](const QStringList& opened) {
                         info->applicationOpenFiles(opened);
                         toFront();
                     });
    QObject::connect(&instance, &quorvel::platform::AppInstance::activateRequested, &mainWindow, toFront);
    quorvel::OpenedFilesCollector openedFiles;
    QObject::connect(&openedFiles, &quorvel::OpenedFilesCollector::filesOpened, info,
                     &quorvel::QuorvelInfo::applicationOpenFiles);
    app.installEventFilter(&openedFiles);

    const int status = QApplication::exec();
    quorvel::QuorvelInfo::releaseSharedInstance();
    return status;
}
