// Overview: every file of the batch in one table in the first tab, with its
// verdict against the current setting, and the verdict banner of the
// inspector. The rows are measured in the background; the inspector's own
// check of the current file is untouched by them.
#include "app/MainWindow.h"
#include "app/QuorvelInfo.h"
#include "app/overview/BatchModel.h"
#include "app/overview/MeasureStore.h"
#include "app/overview/VerdictText.h"
#include "settings/PreferencesWindow.h"

#include "ui_MainWindow.h"

#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QSortFilterProxyModel>

namespace quorvel {
namespace {

// The arrow and page keys are the table's while it has the focus: they move
// its selection and page it, as in any table, rather than stepping the
// inspector through the window's shortcuts.
class TableKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            switch (key->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Home:
            case Qt::Key_End:
                if (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier) {
                    event->accept();
                    return true;
                }
                break;
            default: break;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

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
    table->installEventFilter(new TableKeys(table));

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
        if (m_finestra && row == m_contatore && hasCurrentFile() && m_overview->rules())
            showVerdictBanner(m_overview->record(row), *m_overview->rules(), m_overviewSetting);
    });
    ui->overviewPages->setCurrentWidget(ui->welcomePage);

    // An add or a delete in the preferences changes the pop-up without a
    // broadcast; its items tell, and the views follow once the change is done.
    if (m_prefWindow) {
        if (const auto* popUp = m_prefWindow->findChild<QComboBox*>(QStringLiteral("mioPopUp"))) {
            const auto later = [this] {
                if (m_describePending)
                    return;
                m_describePending = true;
                QMetaObject::invokeMethod(this, &QuorvelInfo::describeSettingAgain, Qt::QueuedConnection);
            };
            QAbstractItemModel* items = popUp->model();
            connect(items, &QAbstractItemModel::rowsInserted, this, later);
            connect(items, &QAbstractItemModel::rowsRemoved, this, later);
            connect(items, &QAbstractItemModel::modelReset, this, later);
        }
    }
}

std::optional<RuleControls> QuorvelInfo::pickedRules() const
{
    const SettingControlsView controls = settingControls();
    if (controls.selectedTitle().isEmpty())
        return std::nullopt;
    return controls.ruleControls();
}

void QuorvelInfo::describeSettingAgain()
{
    m_describePending = false;
    if (!m_finestra || !m_nomideifiles)
        return;
    rejudgeOverview();
    // The banner from the stored measure of the current file: nothing is read.
    if (m_contatore >= 0 && m_contatore < m_nomideifiles->size() && m_measures) {
        const SettingControlsView controls = settingControls();
        ImageRecord record = m_measures->record(m_nomideifiles->at(m_contatore));
        if (m_contatore < m_overview->rowCount() && m_overview->isMeasured(m_contatore))
            record.ink = m_overview->record(m_contatore).ink; // read in the background, if at all
        const RuleControls rules = controls.ruleControls();
        judgeRecord(record, rules);
        showVerdictBanner(record, rules, controls.selectedTitle());
    }
}

void QuorvelInfo::showBatchInOverview()
{
    // One measure per file and batch: a new batch reads its files afresh.
    m_measures = std::make_shared<MeasureStore>(*m_reader);
    m_overviewMarked = -1;
    m_overviewSetting = settingControls().selectedTitle();
    m_overview->setRules(pickedRules());
    m_overview->setBatch(nomideifiles(), m_measures);
    form()->overviewPages->setCurrentWidget(form()->batchPage);
}

void QuorvelInfo::rejudgeOverview()
{
    m_overviewSetting = settingControls().selectedTitle();
    m_overview->setRules(pickedRules());
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
    // finds the place (unless the filter hides the file). Only a change of
    // the current file moves it: a re-check leaves the user's place alone.
    if (m_contatore == m_overviewMarked)
        return;
    m_overviewMarked = m_contatore;
    const QModelIndex current = m_overviewRows->mapFromSource(m_overview->index(m_contatore, BatchModel::NameColumn));
    if (current.isValid()) {
        QTableView* table = form()->overviewTable;
        table->selectionModel()->setCurrentIndex(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table->scrollTo(current);
    }
}

} // namespace quorvel
