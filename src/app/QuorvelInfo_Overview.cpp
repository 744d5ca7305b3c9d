// Overview: every file of the batch in one table in the first tab, with its
// verdict against the current setting, and the verdict banner of the
// inspector. The rows are measured in the background; the inspector's own
// check of the current file is untouched by them.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/overview/BatchModel.h"
#include "app/overview/VerdictText.h"

#include "ui_MainWindow.h"

#include <QHeaderView>
#include <QMenu>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

namespace quorvel {

void QuorvelInfo::connectOverviewOutlets()
{
    Ui::MainWindow* ui = form();
    m_overview = new BatchModel(this);
    m_overviewRows = new QSortFilterProxyModel(this);
    m_overviewRows->setSourceModel(m_overview);
    m_overviewRows->setSortRole(BatchModel::SortRole);
    m_overviewRows->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_overviewRows->setSortLocaleAware(true);
    m_overviewRows->setFilterRole(BatchModel::VerdictKindRole);
    m_overviewRows->setFilterKeyColumn(BatchModel::VerdictColumn);

    QTableView* table = ui->overviewTable;
    table->setModel(m_overviewRows);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(BatchModel::ThumbnailColumn, 52);
    header->resizeSection(BatchModel::NameColumn, 200);
    header->resizeSection(BatchModel::SizeColumn, 110);
    header->resizeSection(BatchModel::DpiColumn, 50);
    header->resizeSection(BatchModel::ColourColumn, 100);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Batch order until the user sorts; a third click on a header returns to it.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSortIndicatorClearable(true);
    table->setSortingEnabled(true);

    // The print checks' columns, hidden until asked for from the header's menu.
    for (int column = BatchModel::firstOptionalColumn; column < BatchModel::ColumnCount; ++column)
        header->setSectionHidden(column, true);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, [this, header](const QPoint& at) {
        QMenu* menu = new QMenu(header);
        menu->setObjectName(QStringLiteral("overviewColumnsMenu"));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        for (int column = BatchModel::firstOptionalColumn; column < BatchModel::ColumnCount; ++column) {
            QAction* action = menu->addAction(m_overview->headerData(column, Qt::Horizontal).toString());
            action->setCheckable(true);
            action->setChecked(!header->isSectionHidden(column));
            connect(action, &QAction::toggled, header, [header, column](bool shown) { header->setSectionHidden(column, !shown); });
        }
        menu->popup(header->mapToGlobal(at));
    });

    connect(ui->overviewFilter, &QComboBox::currentIndexChanged, this, [this](int shown) {
        static const QRegularExpression failing(QStringLiteral("^(fail|unreadable)$"));
        static const QRegularExpression passing(QStringLiteral("^pass$"));
        m_overviewRows->setFilterRegularExpression(shown == 1 ? failing : shown == 2 ? passing : QRegularExpression());
    });
    connect(table, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        showBatchFile(m_overviewRows->mapToSource(index).row());
    });
    connect(m_overview, &BatchModel::countsChanged, this, &QuorvelInfo::showOverviewSummary);
    // The current file's ink, read in the background, completes its banner.
    connect(m_overview, &BatchModel::inkArrived, this, [this](int row) {
        if (m_finestra && row == m_contatore && hasCurrentFile())
            showVerdictBanner(m_overview->record(row), m_overview->rules(), m_overviewSetting);
    });
    ui->overviewPages->setCurrentWidget(ui->welcomePage);
}

void QuorvelInfo::showBatchInOverview()
{
    const SettingControlsView controls = settingControls();
    m_overviewSetting = controls.selectedTitle();
    m_overview->setRules(controls.ruleControls());
    m_overview->setBatch(nomideifiles(), *m_reader);
    form()->overviewPages->setCurrentWidget(form()->batchPage);
}

void QuorvelInfo::rejudgeOverview()
{
    const SettingControlsView controls = settingControls();
    m_overviewSetting = controls.selectedTitle();
    m_overview->setRules(controls.ruleControls());
    showOverviewSummary();
}

void QuorvelInfo::showOverviewSummary()
{
    if (!m_finestra || !hasBatch())
        return;
    QLineEdit* summary = form()->batchSummary;
    summary->setText(batchSummaryText(m_overview->counts(), m_overview->rules(), m_overviewSetting));
    summary->setCursorPosition(0);
}

void QuorvelInfo::showBatchFile(int index)
{
    if (!m_nomideifiles || !m_finestra || index < 0 || index >= m_totale)
        return;
    m_contatore = index;
    if (m_totale >= 2)
        showCounter();
    checkImage(*m_nomideifiles);
    form()->tabelleVista->setCurrentIndex(1);
}

void QuorvelInfo::showVerdictBanner(const ImageRecord& record, const RuleControls& rules, const QString& settingTitle)
{
    QLineEdit* banner = form()->verdictBanner;
    banner->setText(verdictBannerText(record, rules, settingTitle));
    banner->setCursorPosition(0);

    // The overview marks the file under inspection, so that going back to it
    // finds the place (unless the filter hides the file).
    const QModelIndex current = m_overviewRows->mapFromSource(m_overview->index(m_contatore, BatchModel::NameColumn));
    if (current.isValid()) {
        QTableView* table = form()->overviewTable;
        table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table->scrollTo(current);
    }
}

} // namespace quorvel
