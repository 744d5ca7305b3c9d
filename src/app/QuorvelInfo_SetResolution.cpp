// Set Resolution: the Image menu's action and the overview's context action
// open the sheet on the selected rows (the current file when none is
// selected); the files it writes are measured like any other.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/overview/BatchModel.h"
#include "app/setdpi/SetResolutionSheet.h"
#include "platform/Log.h"
#include "platform/Panels.h"

#include "ui_MainWindow.h"

#include <QFile>
#include <QFileInfo>
#include <QSortFilterProxyModel>

#include <algorithm>

namespace quorvel {

void QuorvelInfo::connectSetResolutionOutlets()
{
    Ui::MainWindow* ui = form();
    ui->setResolutionAction->setEnabled(false);
    connect(ui->setResolutionAction, &QAction::triggered, this, &QuorvelInfo::openSetResolutionSheet);
    // A right click on the overview offers it for the selected rows.
    ui->overviewTable->addAction(ui->setResolutionAction);
    ui->overviewTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    // Files opened from the desktop count their total only after the
    // overview shows them: the batch itself says whether there is one.
    connect(m_overview, &QAbstractItemModel::modelReset, this,
            [this] { form()->setResolutionAction->setEnabled(hasBatch() && !m_nomideifiles->isEmpty()); });
}

void QuorvelInfo::openSetResolutionSheet()
{
    if (!m_finestra || !m_panels || !hasBatch() || m_totale < 1)
        return;
    QList<int> rows;
    for (const QModelIndex& index : form()->overviewTable->selectionModel()->selectedRows())
        rows << m_overviewRows->mapToSource(index).row();
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty())
        rows << m_contatore;

    QList<SetResolutionSheet::File> files;
    const QStringList batch = nomideifiles();
    for (int row : rows) {
        if (row < 0 || row >= batch.size())
            continue;
        const QString& path = batch.at(row);
        // A row not yet measured is measured now: the sheet shows what the file records.
        files.append({path, m_overview->isMeasured(row) ? m_overview->record(row)
                                                         : recordImage(QFile::encodeName(path).toStdString(), *m_reader, false)});
    }
    auto* sheet = new SetResolutionSheet(m_finestra, files, settingControls().ruleControls(), *m_panels, *m_reader);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &SetResolutionSheet::finishedWriting, this, &QuorvelInfo::takeWrittenFiles);
    sheet->open();
}

void QuorvelInfo::takeWrittenFiles(const QList<QPair<QString, QString>>& originalAndWritten)
{
    if (originalAndWritten.isEmpty() || !hasBatch() || !m_finestra)
        return;
    QStringList files = nomideifiles();
    const QString current = files.value(m_contatore);
    for (const auto& [original, written] : originalAndWritten) {
        if (written == original || files.contains(written))
            continue; // replaced in place: measured again below
        qsizetype at = files.indexOf(original);
        if (at < 0) {
            files.append(written);
            continue;
        }
        // After the original and the copies that already follow it.
        const QString stem = QFileInfo(original).completeBaseName() + QStringLiteral(" (");
        while (at + 1 < files.size() && QFileInfo(files.at(at + 1)).fileName().startsWith(stem))
            ++at;
        files.insert(at + 1, written);
    }
    qCInfo(lcInspector) << "Set resolution: the batch takes" << originalAndWritten.size() << "written files";
    m_nomideifiles = files;
    m_totale = int(files.size());
    m_contatore = std::max(0, int(files.indexOf(current)));
    enableNavigation();
    showBatchInOverview();
    if (m_totale >= 2)
        showCounter();
    checkImage(files);
}

} // namespace quorvel
