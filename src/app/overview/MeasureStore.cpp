#include "app/overview/MeasureStore.h"

#include <QFile>

#include <sys/stat.h>

namespace quorvel {

MeasureStore::MeasureStore(const ImageHeaderReader& reader)
    : m_reader(reader)
{
}

MeasureStore::Stamp MeasureStore::stampOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {true, qint64(info.st_size), qint64(info.st_mtim.tv_sec), qint64(info.st_mtim.tv_nsec)};
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
