#include "platform/Panels.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace quorvel::platform {
namespace {

// A save panel whose required extension is added to the typed name before
// the panel asks whether to replace an existing file, so the question is
// always about the file that will be written ("notes.md" is "notes.md.txt").
class SavePanel : public QFileDialog {
public:
    SavePanel(QWidget* parent, const QString& title, const QString& suffix)
        : QFileDialog(parent, title)
        , m_suffix(suffix)
    {
    }

    // The chosen name with the required extension.
    static QString withSuffix(const QString& path, const QString& suffix)
    {
        if (suffix.isEmpty() || path.endsWith(QLatin1Char('.') + suffix))
            return path;
        return path + QLatin1Char('.') + suffix;
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (files.size() == 1 && !QFileInfo(files.constFirst()).isDir()) {
            const QString named = withSuffix(files.constFirst(), m_suffix);
            if (named != files.constFirst())
                selectFile(named);
        }
        QFileDialog::accept();
    }

private:
    QString m_suffix;
};

} // namespace

QStringList QtPanels::chooseFiles(QWidget* parent, const OpenRequest& request)
{
    QFileDialog dialog(parent, request.title, request.startDirectory);
    dialog.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    QStringList chosen;
    for (const QString& file : dialog.selectedFiles()) {
        const QFileInfo info(file);
        // A typed folder name can slip through a native dialog; only files are asked for.
        if (info.isDir())
            continue;
        // A chain of links ends at its final target; a dangling link stays as it is.
        const QString target = info.isSymLink() ? info.canonicalFilePath() : QString();
        chosen << (target.isEmpty() ? info.absoluteFilePath() : target);
    }
    return chosen;
}

std::optional<QString> QtPanels::chooseFolder(QWidget* parent, const QString& title, const QString& startDirectory)
{
    QFileDialog dialog(parent, title, startDirectory);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPanels::chooseSaveFile(QWidget* parent, const SaveRequest& request)
{
    SavePanel dialog(parent, request.title, request.suffix);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(request.suffix);
    dialog.selectFile(request.suffix.isEmpty() ? request.proposedName
                                               : request.proposedName + QLatin1Char('.') + request.suffix);
    if (!request.suffix.isEmpty())
        dialog.setNameFilter(QStringLiteral("*.%1").arg(request.suffix));
    dialog.setOption(QFileDialog::ShowDirsOnly, false);
    if (!request.canCreateFolders)
        dialog.setOption(QFileDialog::ReadOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // A native panel does not come through accept(): its name gets the
    // extension here, and its question covered the name as typed.
    return SavePanel::withSuffix(dialog.selectedFiles().constFirst(), request.suffix);
}

bool QtPanels::alert(QWidget* parent, const Alert& alert)
{
    QMessageBox box(parent);
    switch (alert.style) {
    case AlertStyle::Information: box.setIcon(QMessageBox::Information); break;
    case AlertStyle::Warning: box.setIcon(QMessageBox::Warning); break;
    case AlertStyle::Critical: box.setIcon(QMessageBox::Critical); break;
    }
    box.setWindowTitle(alert.title);
    box.setText(alert.text);
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(alert.informativeText);
    QPushButton* confirm = box.addButton(alert.defaultButton.isEmpty() ? QMessageBox::tr("OK") : alert.defaultButton,
                                         QMessageBox::AcceptRole);
    if (!alert.alternateButton.isEmpty())
        box.addButton(alert.alternateButton, QMessageBox::RejectRole);
    box.setDefaultButton(confirm);
    box.exec();
    return box.clickedButton() == confirm;
}

void QtPanels::beep()
{
    QApplication::beep();
}

std::optional<QString> QtPanels::chooseApplication(QWidget* parent, const ApplicationRequest& request)
{
    QFileDialog dialog(parent, request.title, request.startDirectory);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (!request.nameFilters.isEmpty())
        dialog.setNameFilters(request.nameFilters);
    if (!request.places.isEmpty()) {
        QList<QUrl> places;
        for (const QString& folder : request.places)
            places << QUrl::fromLocalFile(folder);
        dialog.setSidebarUrls(places);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    // Links stay as picked: packaged applications reach their entries through
    // links whose targets move with every update.
    return QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
}

} // namespace quorvel::platform
