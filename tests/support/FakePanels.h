#pragma once

#include "platform/Panels.h"

#include <QList>

namespace quorvel::test {

// Answers panels as the test tells it and remembers what was asked.
class FakePanels : public platform::Panels {
public:
    QStringList chooseFiles(QWidget*, const OpenRequest& request) override
    {
        openRequests.append(request);
        return filesToChoose;
    }
    std::optional<QString> chooseSaveFile(QWidget*, const SaveRequest& request) override
    {
        saveRequests.append(request);
        return saveAnswer;
    }
    std::optional<QString> chooseFolder(QWidget*, const QString& title, const QString&) override
    {
        folderTitles.append(title);
        return folderToChoose;
    }
    bool alert(QWidget*, const Alert& alert) override
    {
        alerts.append(alert);
        return alertAnswer;
    }
    void beep() override { ++beeps; }
    std::optional<QString> chooseApplication(QWidget* parent, const ApplicationRequest& request) override
    {
        applicationRequests.append(request);
        applicationParents.append(parent);
        return applicationToChoose;
    }

    QStringList filesToChoose;            // empty: the user cancels
    std::optional<QString> saveAnswer;    // nothing: the user cancels
    bool alertAnswer = true;
    std::optional<QString> folderToChoose; // nothing: the user cancels
    QStringList folderTitles;

    QList<OpenRequest> openRequests;
    QList<SaveRequest> saveRequests;
    QList<Alert> alerts;
    int beeps = 0;

    // Viewer: the application chooser.
    std::optional<QString> applicationToChoose; // nothing: the user cancels
    QList<ApplicationRequest> applicationRequests;
    QList<QWidget*> applicationParents;
};

} // namespace quorvel::test
