#include "app/overview/BatchModel.h"

#include "app/overview/BatchMeasurer.h"
#include "app/overview/ThumbnailMaker.h"
#include "platform/PathNames.h"

#include <QBrush>
#include <QColor>

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
int verdictRank(const FileVerdict& verdict, bool measured)
{
    if (!measured)
        return 5;
    if (verdict.unreadable)
        return 4;
    return (verdict.colourFails ? 1 : 0) + (verdict.dpiFails ? 2 : 0);
}

} // namespace

BatchModel::BatchModel(QObject* parent)
    : QAbstractTableModel(parent)
    , m_measurer(new BatchMeasurer(this))
    , m_thumbnails(new ThumbnailMaker(QSize(40, 40), this))
{
    connect(m_measurer, &BatchMeasurer::measured, this, &BatchModel::take);
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

void BatchModel::setBatch(const QStringList& files, const ImageHeaderReader& reader)
{
    beginResetModel();
    m_thumbnails->reset();
    m_files = files;
    m_rows.assign(size_t(files.size()), Row{});
    m_counts = BatchCounts{};
    m_counts.total = m_counts.pending = static_cast<int>(files.size());
    endResetModel();
    Q_EMIT countsChanged();
    m_measurer->start(m_files, reader);
}

void BatchModel::count(const Row& row, int sign)
{
    if (!row.measured)
        m_counts.pending += sign;
    else if (row.verdict.unreadable)
        m_counts.unreadable += sign;
    else if (row.verdict.fails())
        m_counts.fail += sign;
    else
        m_counts.pass += sign;
}

void BatchModel::take(int first, const QList<ImageMeasure>& measures)
{
    const int last = first + static_cast<int>(measures.size()) - 1;
    if (first < 0 || last >= rowCount() || measures.isEmpty())
        return;
    for (int i = 0; i < measures.size(); ++i) {
        Row& row = m_rows[size_t(first + i)];
        count(row, -1);
        row.measure = measures.at(i);
        row.verdict = judge(row.measure, m_rules);
        row.measured = true;
        count(row, +1);
    }
    Q_EMIT dataChanged(index(first, 0), index(last, ColumnCount - 1));
    Q_EMIT countsChanged();
}

void BatchModel::setRules(const RuleControls& rules)
{
    m_rules = rules;
    if (m_rows.empty())
        return;
    m_counts = BatchCounts{};
    m_counts.total = rowCount();
    for (Row& row : m_rows) {
        if (row.measured)
            row.verdict = judge(row.measure, m_rules);
        count(row, +1);
    }
    Q_EMIT dataChanged(index(0, DpiColumn), index(rowCount() - 1, VerdictColumn));
    Q_EMIT countsChanged();
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
        return row.verdict.unreadable ? QString()
                                      : tr("%1 × %2").arg(row.measure.pixelsWide).arg(row.measure.pixelsHigh);
    case DpiColumn:
        if (row.verdict.unreadable)
            return QString();
        return row.verdict.measuredDpi == noDpi ? QStringLiteral("—") : QString::number(row.verdict.measuredDpi);
    case ColourColumn: return colourText(row.measure);
    case VerdictColumn: return verdictCellText(row.verdict);
    default: return {};
    }
}

QVariant BatchModel::sortKey(const Row& row, int column, int index) const
{
    switch (column) {
    case ThumbnailColumn: return index; // batch order
    case NameColumn: return lastPathComponent(m_files.at(index));
    case SizeColumn:
        return row.measured && !row.verdict.unreadable ? qint64(row.measure.pixelsWide) * row.measure.pixelsHigh : -1;
    case DpiColumn: return row.measured ? row.verdict.measuredDpi : noDpi;
    case ColourColumn: return row.measured ? colourText(row.measure) : QString();
    case VerdictColumn: return verdictRank(row.verdict, row.measured);
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
        if (row.verdict.unreadable)
            return QStringLiteral("unreadable");
        return row.verdict.fails() ? QStringLiteral("fail") : QStringLiteral("pass");
    case Qt::ToolTipRole:
        return column == NameColumn ? QVariant(m_files.at(at)) : QVariant();
    case Qt::ForegroundRole: {
        if (!row.measured)
            return {};
        const bool failing = (column == DpiColumn && row.verdict.dpiFails)
            || (column == ColourColumn && row.verdict.colourFails)
            || (column == VerdictColumn && (row.verdict.fails() || row.verdict.unreadable));
        return failing ? QVariant(QBrush(QColor(Qt::red))) : QVariant();
    }
    case Qt::DecorationRole:
        if (column != ThumbnailColumn || !row.measured || row.verdict.unreadable)
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
    default: return {};
    }
}

} // namespace quorvel
