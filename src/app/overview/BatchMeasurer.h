#pragma once

#include "check/ImageRecord.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace quorvel {

class MeasureStore;

// Measures a batch in the background on every core, a slice of files per
// task, and hands the measures to the main thread slice by slice as they
// are done. Starting again or cancelling drops whatever is still owed.
class BatchMeasurer : public QObject {
    Q_OBJECT
public:
    explicit BatchMeasurer(QObject* parent = nullptr);
    ~BatchMeasurer() override;

    // Takes each file's record from `measures`, which reads only what it has
    // not read yet.
    void start(const QStringList& files, std::shared_ptr<MeasureStore> measures);
    void cancel();
    void waitForDone();

    // Reads the total ink of these files (row, path), one at a time on a
    // thread of its own: each read decodes a whole image. Adds to what is
    // still owed; cancelInk drops it all.
    void startInk(const QList<QPair<int, QString>>& files, std::shared_ptr<MeasureStore> measures);
    void cancelInk();

Q_SIGNALS:
    // The records (with details, not judged) of files first, first + 1, ... in batch
    // order; on the main thread.
    void measured(int first, const QList<ImageRecord>& records);
    // A row's total ink, absent when it could not be read; on the main thread.
    void inkMeasured(int row, std::shared_ptr<const InkStatistics> ink);

private:
    QThreadPool m_pool;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QThreadPool m_inkPool;
    std::shared_ptr<std::atomic<bool>> m_inkCancelled;
};

} // namespace quorvel
