#include "app/overview/MeasureStore.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace quorvel {

MeasureStore::MeasureStore(const ImageHeaderReader& reader)
    : m_reader(reader)
{
}

MeasureStore::Stamp MeasureStore::stampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified().toMSecsSinceEpoch()};
}

ImageRecord MeasureStore::record(const QString& path)
{
    const Stamp stamp = stampOf(path);
    std::unique_lock lock(m_mutex);
    Entry& entry = m_entries[path];
    // Another caller is reading this file: its read serves both.
    m_readDone.wait(lock, [&] { return !entry.reading; });
    if (entry.stored && entry.stamp == stamp)
        return entry.record;
    if (entry.stored && !stamp.exists && entry.stamp.exists) {
        // Listed, read, and gone since.
        ImageMeasure gone;
        gone.unreadableReason = UnreadableReason::Vanished;
        entry.record = makeRecord(gone);
        entry.stamp = stamp;
        return entry.record;
    }
    entry.reading = true;
    ++entry.reads;
    lock.unlock();
    ImageRecord read = recordImage(QFile::encodeName(path).toStdString(), m_reader, true);
    lock.lock();
    entry.record = std::move(read);
    entry.stamp = stamp;
    entry.stored = true;
    entry.reading = false;
    m_readDone.notify_all();
    return entry.record;
}

int MeasureStore::reads(const QString& path) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_entries.find(path);
    return found == m_entries.end() ? 0 : found->second.reads;
}

} // namespace quorvel
