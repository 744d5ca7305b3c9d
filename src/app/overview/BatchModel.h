#pragma once

#include "app/overview/VerdictText.h"
#include "check/CheckRules.h"
#include "check/ImageRecord.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace quorvel {

class BatchMeasurer;
class MeasureStore;
class ThumbnailMaker;

// The batch as a table, one row per file in batch order: thumbnail, name,
// size, dpi, colour space and verdict. Files are measured in the background
// and their rows fill in as the measures arrive; a change of rules judges
// every row again from its stored measure, without reading files. Until a
// setting is picked the rows show their measures and no verdict.
class BatchModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        ThumbnailColumn, NameColumn, SizeColumn, DpiColumn, ColourColumn, VerdictColumn,
        // Optional, hidden until the user shows them from the header's menu.
        PrintSizeColumn, InkColumn, ProfileColumn, AlphaColumn,
        ColumnCount
    };
    static constexpr int firstOptionalColumn = PrintSizeColumn;
    enum Role {
        SortRole = Qt::UserRole + 1, // a value that orders the column
        VerdictKindRole,             // "pass", "fail", "unreadable", "unjudged" or "pending"
    };

    explicit BatchModel(QObject* parent = nullptr);
    ~BatchModel() override;

    // A new batch, its files measured through `measures`.
    void setBatch(const QStringList& files, std::shared_ptr<MeasureStore> measures);
    // Judges every measured row again; no rules (no setting picked): no verdicts.
    void setRules(const std::optional<RuleControls>& rules);
    // A row's total ink, measured after the rest (CMYK rows only, and only
    // while the rules carry an ink limit): the row is judged again with it.
    void setInk(int row, std::shared_ptr<const InkStatistics> ink);
    // Ends the background work for good (shutdown).
    void stop();

    const BatchCounts& counts() const { return m_counts; }
    const std::optional<RuleControls>& rules() const { return m_rules; }
    bool isMeasured(int row) const { return m_rows.at(size_t(row)).measured; }
    // The file's record, judged against rules() once measured (when there are rules).
    const ImageRecord& record(int row) const { return m_rows.at(size_t(row)).record; }
    BatchMeasurer* measurer() const { return m_measurer; }
    ThumbnailMaker* thumbnails() const { return m_thumbnails; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    void countsChanged();
    // A row's total ink arrived and the row was judged again.
    void inkArrived(int row);

private:
    struct Row {
        ImageRecord record;
        bool measured = false;
        bool inkAsked = false;
    };
    // Asks for the ink of the measured CMYK rows that lack it, while the
    // rules carry an ink limit.
    void askForInk(int first, int last);
    void take(int first, const QList<ImageRecord>& records);
    void judge(Row& row) const;
    void count(const Row& row, int sign);
    QVariant display(const Row& row, int column, int index) const;
    QVariant sortKey(const Row& row, int column, int index) const;

    QStringList m_files;
    std::vector<Row> m_rows;
    std::optional<RuleControls> m_rules;
    std::shared_ptr<MeasureStore> m_measures;
    BatchCounts m_counts;
    BatchMeasurer* m_measurer;
    ThumbnailMaker* m_thumbnails;
};

} // namespace quorvel
