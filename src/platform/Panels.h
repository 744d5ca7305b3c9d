#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace quorvel::platform {

// The modal panels and the beep, behind one interface so that tests can
// answer them. Every call returns only when the user has answered.
class Panels {
public:
    virtual ~Panels() = default;

    struct OpenRequest {
        QString title;          // window title
        QString prompt;         // text of the confirm button
        QStringList nameFilters; // e.g. "Images (*.jpg *.png)"; empty: any file
        bool multiple = true;
        QString startDirectory; // empty: the dialog's own default
    };
    // The chosen files, never folders (links resolved to their targets); empty when cancelled.
    virtual QStringList chooseFiles(QWidget* parent, const OpenRequest& request) = 0;

    struct SaveRequest {
        QString title;
        QString proposedName;   // without extension
        QString suffix;         // required extension, without the dot
        bool canCreateFolders = true;
    };
    // The chosen path, with the suffix; nothing when cancelled.
    virtual std::optional<QString> chooseSaveFile(QWidget* parent, const SaveRequest& request) = 0;

    // One existing folder; nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& startDirectory) = 0;

    enum class AlertStyle { Information, Warning, Critical };
    struct Alert {
        AlertStyle style = AlertStyle::Information;
        QString title;
        QString text;
        QString informativeText;
        QString defaultButton;     // empty: "OK"
        QString alternateButton;   // empty: none
    };
    // True when the user picked the default button.
    virtual bool alert(QWidget* parent, const Alert& alert) = 0;

    virtual void beep() = 0;

    // Viewer: choosing one application, modal to `parent`'s window only.
    struct ApplicationRequest {
        QString title;
        QString prompt;          // text of the confirm button
        QStringList nameFilters; // the first one is selected
        QString startDirectory;
        QStringList places;      // folders offered beside the file list
    };
    // The chosen application file (a desktop entry or a program) as picked,
    // links kept; nothing when cancelled.
    virtual std::optional<QString> chooseApplication(QWidget* parent, const ApplicationRequest& request) = 0;
};

// The toolkit's own dialogs (native where the desktop offers them).
class QtPanels final : public Panels {
public:
    QStringList chooseFiles(QWidget* parent, const OpenRequest& request) override;
    std::optional<QString> chooseSaveFile(QWidget* parent, const SaveRequest& request) override;
    std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& startDirectory) override;
    bool alert(QWidget* parent, const Alert& alert) override;
    void beep() override;
    std::optional<QString> chooseApplication(QWidget* parent, const ApplicationRequest& request) override;
};

} // namespace quorvel::platform
