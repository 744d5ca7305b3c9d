#include "app/overview/BatchModel.h"

#include "app/overview/BatchMeasurer.h"
#include "app/overview/ThumbnailMaker.h"
#include "app/VerdictColour.h"
#include "report/DemandText.h"
#include "platform/PathNames.h"

#include <QBrush>
#include <QGuiApplication>

#include <limits>

namespace quorvel {
namespace {

constexpr int32_t noDpi = std::numeric_limits<int32_t>::min();

QString colourText(const ImageMeasure& measure)
{
    if (measure.colourClass != ColourClass::Other)
        return QString::fromLatin1(colourLabel(measure.colourClass));
    return measure.colourSpaceName ? QString::fromStdString(*measure.colourSpaceName) : QString();
}

// Passing first, then by what fails, unreadable and unmeasured last.
int verdictRank(const ImageRecord& record, bool measured)
{
    if (!measured)
        return 5;
    if (!record.readable)
        return 4;
    if (!record.judgement)
        return 0;
    return (record.judgement->colourFails ? 1 : 0) + (record.judgement->dpiFails ? 2 : 0)
        + (record.judgement->demands.fails() ? 1 : 0);
}

// The ink column's figure: the maximum total ink, once measured.
std::optional<double> maximumInk(const ImageRecord& record)
{
    if (const auto& figures = record.judgement ? record.judgement->demands.inkFigures : std::nullopt)
        return figures->maximumPercent;
    return record.ink ? record.ink->maximumPercent() : std::nullopt;
}

bool demandFails(const ImageRecord& record, Demand demand)
{
    return record.judgement && record.judgement->demands.verdict(demand) == DemandVerdict::Fail;
}

} // namespace

BatchModel::BatchModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_measurer(new BatchMeasurer(this))
    , m_thumbnails(new ThumbnailMaker(QSize(40, 40), this))
{
    connect(m_measurer, &BatchMeasurer::measured, this, &BatchModel::take);
    connect(m_measurer, &BatchMeasurer::inkMeasured, this, &BatchModel::setInk);
    connect(m_thumbnails, &ThumbnailMaker::ready, this, [this](int row) {
        if (row >= 0 && row < rowCount())
            Q_EMIT dataChanged(index(row, ThumbnailColumn), index(row, ThumbnailColumn), {Qt::DecorationRole});
    });
}

BatchModel::~BatchModel()
{
    stop();
}

void BatchModel::stop()
{
    m_measurer->cancel();
    m_measurer->waitForDone();
    m_thumbnails->reset();
    m_thumbnails->waitForDone();
}

void BatchModel::setBatch(const QStringList& files, std::shared_ptr<MeasureStore> measures)
{
    beginResetModel();
    m_thumbnails->reset();
    m_files = files;
    m_rows.assign(size_t(files.size()), Row{});
    m_counts = BatchCounts{};
    m_counts.total = m_counts.pending = static_cast<int>(files.size());
    m_measures = measures;
    endResetModel();
    Q_EMIT countsChanged();
    m_measurer->start(m_files, std::move(measures));
}

void BatchModel::count(const Row& row, int sign)
{
    if (!row.measured)
        m_counts.pending += sign;
    else if (!row.record.readable)
        m_counts.unreadable += sign;
    else if (!row.record.judgement)
        m_counts.unjudged += sign;
    else if (row.record.judgement->fails())
        m_counts.fail += sign;
    else
        m_counts.pass += sign;
}

void BatchModel::take(int first, const QList<ImageRecord>& records)
{
    const int last = first + static_cast<int>(records.size()) - 1;
    if (first < 0 || last >= rowCount() || records.isEmpty())
        return;
    for (int i = 0; i < records.size(); ++i) {
        Row& row = m_rows[size_t(first + i)];
        count(row, -1);
        row.record = records.at(i);
        judge(row);
        row.measured = true;
        count(row, +1);
    }
    askForInk(first, last);
    Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
    Q_EMIT countsChanged();
}

void BatchModel::askForInk(int first, int last)
{
    if (!m_rules || !m_rules->demands.inkLimitPercent || !m_measures)
        return;
    QList<QPair<int, QString>> files;
    for (int at = first; at <= last; ++at) {
        Row& row = m_rows[size_t(at)];
        if (row.measured && row.record.readable && row.record.measure.colourClass == ColourClass::CMYK && !row.record.ink
            && !row.inkAsked) {
            row.inkAsked = true;
            files.append({at, m_files.at(at)});
        }
    }
    if (!files.isEmpty())
        m_measurer->startInk(files, m_measures);
}

void BatchModel::judge(Row& row) const
{
    if (m_rules)
        judgeRecord(row.record, *m_rules);
    else
        row.record.judgement.reset();
}

void BatchModel::setRules(const std::optional<RuleControls>& rules)
{
    m_rules = rules;
    // The ink is read only while a limit asks for it.
    if (!m_rules || !m_rules->demands.inkLimitPercent) {
        m_measurer->cancelInk();
        for (Row& row : m_rows)
            row.inkAsked = false;
    }
    if (m_rows.empty())
        return;
    askForInk(0, rowCount() - 1);
    m_counts = BatchCounts{};
    m_counts.total = rowCount();
    for (Row& row : m_rows) {
        if (row.measured)
            judge(row);
        count(row, +1);
    }
    Q_EMIT dataChanged(index(0, DpiColumn), index(rowCount() - 1, ColumnCount - 1));
    Q_EMIT countsChanged();
}

void BatchModel::setInk(int at, std::shared_ptr<const InkStatistics> ink)
{
    if (at < 0 || at >= rowCount() || !m_rows[size_t(at)].measured || !ink)
        return;
    Row& row = m_rows[size_t(at)];
    count(row, -1);
    row.record.ink = std::move(ink);
    judge(row);
    count(row, +1);
    Q_EMIT dataChanged(index(at, 0), index(at, ColumnCount - 1));
    Q_EMIT countsChanged();
    Q_EMIT inkArrived(at);
}

int BatchModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int BatchModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BatchModel::display(const Row& row, int column, int index) const
{
    if (column == NameColumn)
        return lastPathComponent(m_files.at(index));
    if (column == ThumbnailColumn)
        return {};
    if (!row.measured)
        return column == VerdictColumn ? tr("Reading…") : QString();
    switch (column) {
    case SizeColumn:
        return !row.record.readable
            ? QString()
            : tr("%1 × %2").arg(row.record.measure.pixelsWide).arg(row.record.measure.pixelsHigh);
    case DpiColumn:
        if (!row.record.readable)
            return QString();
        return row.record.measuredDpi == noDpi ? QStringLiteral("—") : QString::number(row.record.measuredDpi);
    case ColourColumn: return colourText(row.record.measure);
    case VerdictColumn: return verdictCellText(row.record);
    case PrintSizeColumn:
        if (!row.record.printSize)
            return QString();
        return tr("%1 × %2 mm")
            .arg(QString::number(row.record.printSize->widthMm(), 'f', 1), QString::number(row.record.printSize->heightMm(), 'f', 1));
    case InkColumn: {
        const std::optional<double> ink = maximumInk(row.record);
        return ink ? tr("%1 %").arg(QString::number(*ink, 'f', 0)) : QString();
    }
    case ProfileColumn:
        if (!row.record.details || !row.record.details->hasProfile)
            return row.record.details ? tr("none") : QString();
        return QString::fromStdString(row.record.details->profileDescription);
    case AlphaColumn:
        if (!row.record.details)
            return QString();
        return row.record.details->alpha ? tr("yes") : tr("no");
    default: return {};
    }
}

QVariant BatchModel::sortKey(const Row& row, int column, int index) const
{
    switch (column) {
    case ThumbnailColumn: return index; // batch order
    case NameColumn: return lastPathComponent(m_files.at(index));
    case SizeColumn:
        return row.measured && row.record.readable
            ? qint64(row.record.measure.pixelsWide) * row.record.measure.pixelsHigh
            : qint64(-1);
    case DpiColumn: return row.measured && row.record.readable ? row.record.measuredDpi : noDpi;
    case ColourColumn: return row.measured ? colourText(row.record.measure) : QString();
    case VerdictColumn: return verdictRank(row.record, row.measured);
    case PrintSizeColumn:
        return row.measured && row.record.printSize ? row.record.printSize->widthMm() * row.record.printSize->heightMm() : -1.0;
    case InkColumn: return row.measured ? maximumInk(row.record).value_or(-1.0) : -1.0;
    case ProfileColumn: return row.measured ? display(row, column, index) : QVariant(QString());
    case AlphaColumn: return row.measured && row.record.details ? int(row.record.details->alpha) : -1;
    default: return {};
    }
}

QVariant BatchModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const int at = index.row();
    const Row& row = m_rows[size_t(at)];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return display(row, column, at);
    case SortRole: return sortKey(row, column, at);
    case VerdictKindRole:
        if (!row.measured)
            return QStringLiteral("pending");
        if (!row.record.readable)
            return QStringLiteral("unreadable");
        if (!row.record.judgement)
            return QStringLiteral("unjudged");
        return row.record.judgement->fails() ? QStringLiteral("fail") : QStringLiteral("pass");
    case Qt::ToolTipRole:
        return column == NameColumn ? QVariant(m_files.at(at)) : QVariant();
    case Qt::ForegroundRole: {
        // Nothing is red before a setting is picked: there is nothing to fail.
        if (!row.measured || !row.record.judgement)
            return {};
        // An unreadable file's verdict is red; its empty cells have nothing to colour.
        const bool unreadable = !row.record.readable;
        const Judgement& verdict = *row.record.judgement;
        const bool failing = (column == VerdictColumn && (unreadable || verdict.fails()))
            || (!unreadable && column == DpiColumn && verdict.dpiFails)
            || (!unreadable && column == ColourColumn && verdict.colourFails)
            || (column == SizeColumn && demandFails(row.record, Demand::PrintSize))
            || (column == PrintSizeColumn && demandFails(row.record, Demand::PrintSize))
            || (column == InkColumn && demandFails(row.record, Demand::Ink))
            || (column == ProfileColumn && demandFails(row.record, Demand::Profile))
            || (column == AlphaColumn && demandFails(row.record, Demand::Transparency));
        return failing ? QVariant(QBrush(failingColour(QGuiApplication::palette()))) : QVariant();
    }
    case Qt::DecorationRole:
        if (column != ThumbnailColumn || !row.measured || !row.record.readable)
            return {};
        if (const std::optional<QPixmap> thumbnail = m_thumbnails->thumbnail(at, m_files.at(at)))
            return *thumbnail;
        return {};
    case Qt::AccessibleTextRole:
        return column == ThumbnailColumn ? QVariant() : display(row, column, at);
    default: return {};
    }
}

QVariant BatchModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case ThumbnailColumn: return role == Qt::AccessibleTextRole ? tr("Thumbnail") : QString();
    case NameColumn: return tr("File");
    case SizeColumn: return tr("Size (px)");
    case DpiColumn: return tr("dpi");
    case ColourColumn: return tr("Colour space");
    case VerdictColumn: return tr("Result");
    case PrintSizeColumn: return tr("Print size");
    case InkColumn: return tr("Total ink");
    case ProfileColumn: return tr("Profile");
    case AlphaColumn: return tr("Alpha");
    default: return {};
    }
}

} // namespace quorvel
