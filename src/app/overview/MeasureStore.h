#pragma once

#include "check/ImageRecord.h"

#include <QHash>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <unordered_map>

namespace quorvel {

// The measures of one batch, shared by the overview and the inspector: each
// file is read once, with its details, and its record kept for as long as
// the file keeps its size and modification time. A file that is slow or
// hostile costs its time-out once; stepping back to it, or judging it
// against another setting, reads nothing. Safe to use from several threads.
class MeasureStore {
public:
    // `reader` must outlive the store and every call to record().
    explicit MeasureStore(const ImageHeaderReader& reader);

    // The file's record (with its details; not judged): the stored one while
    // the file is unchanged, otherwise read now. Two callers that ask for the
    // same file at once share one read. A file that was there earlier in the
    // batch and is gone now reads "no longer there".
    ImageRecord record(const QString& path);

    // The reader the records come from (the total ink is read through it).
    const ImageHeaderReader& reader() const { return m_reader; }

    // How many times a file was actually read (tests and benchmarks).
    int reads(const QString& path) const;

private:
    struct Stamp {
        bool exists = false;
        qint64 size = -1;
        qint64 modifiedSeconds = 0;
        qint64 modifiedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        ImageRecord record;
        bool stored = false;
        bool reading = false;
        int reads = 0;
    };
    static Stamp stampOf(const QString& path);

    const ImageHeaderReader& m_reader;
    mutable std::mutex m_mutex;
    std::condition_variable m_readDone;
    std::unordered_map<QString, Entry> m_entries; // entries stay where they are as others are added
};

} // namespace quorvel
