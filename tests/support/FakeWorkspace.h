#pragma once

#include "platform/Workspace.h"

#include <QList>
#include <QPair>
#include <QUrl>

namespace quorvel::test {

// Remembers what it was asked to open and starts nothing.
class FakeWorkspace : public platform::Workspace {
public:
    bool openFile(const QString& file, const QString& application) override
    {
        openedFiles.append({file, application});
        return true;
    }
    bool openURL(const QUrl& url) override
    {
        openedURLs.append(url);
        return true;
    }

    QList<QPair<QString, QString>> openedFiles; // file, application
    QList<QUrl> openedURLs;
};

} // namespace quorvel::test
