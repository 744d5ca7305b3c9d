#pragma once

#include "app/setdpi/SetResolutionRows.h"
#include "platform/write/ResolutionWriter.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QList>
#include <QPair>

#include <memory>
#include <vector>

namespace Ui {
class SetResolutionSheet;
}

namespace quorvel {

namespace platform {
class Panels;
}

// The Set Resolution sheet over the main window: the selected files with
// their resolution now and after, where the results go, and the writing
// itself, one file after the other in the background, with progress and
// Cancel (which stops before the next file; a file being written is
// finished or left as it was, never half-written).
class SetResolutionSheet : public QDialog {
    Q_OBJECT
public:
    struct File {
        QString path;
        ImageRecord record;
    };

    SetResolutionSheet(QWidget* parent, const QList<File>& files, const RuleControls& rules,
                       platform::Panels& panels, const ImageHeaderReader& reader);
    ~SetResolutionSheet() override;

    Ui::SetResolutionSheet* form() const { return m_ui.get(); }
    bool isWriting() const { return m_next >= 0; }

Q_SIGNALS:
    // Once the last file is done (or the rest cancelled): every file written,
    // as its original's path and its own (the same when replaced in place).
    void finishedWriting(const QList<QPair<QString, QString>>& originalAndWritten);

private:
    void refreshRows();
    void chooseFolder();
    void start();
    void writeNext();
    void fileDone();
    void cancel();
    void setRowNote(int row, const QString& note, bool problem);
    void closeEvent(QCloseEvent* event) override;
    void reject() override; // Escape, the close box: while writing, a cancel

    std::unique_ptr<Ui::SetResolutionSheet> m_ui;
    QList<File> m_files;
    RuleControls m_rules;
    platform::Panels& m_panels;
    const ImageHeaderReader& m_reader;
    std::vector<platform::write::SetDpiRefusal> m_formatRefusals;
    std::vector<std::optional<platform::write::FileStamp>> m_stamps; // as the sheet opened
    std::vector<setdpi::SetResolutionRow> m_rows;
    QString m_folder; // empty: beside each original

    int m_next = -1; // the file being written; -1 while idle
    bool m_cancelled = false;
    QList<QPair<QString, QString>> m_written;
    QFutureWatcher<platform::write::SetDpiOutcome> m_watcher;
};

} // namespace quorvel
