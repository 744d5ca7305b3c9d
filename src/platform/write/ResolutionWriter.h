#pragma once

// Sets the resolution a file records without touching anything else, and
// never at the cost of the original: a copy beside it (or in a named
// folder), or a replacement that lands in one rename after it was written,
// flushed and verified.

#include "check/ImageMeasure.h"
#include "platform/write/ResolutionEdits.h"

#include <QString>

#include <optional>
#include <string>

namespace quorvel::platform::write {

// Identifies the file that was measured: a different size or modification
// time means someone changed it since.
struct FileStamp {
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> stampOf(const std::string& path);

enum class WriteMode { Copy, InPlace };

struct SetDpiJob {
    std::string path;
    int dpi = 300;
    WriteMode mode = WriteMode::Copy;
    std::string outputFolder;             // copies: empty for beside the original
    bool backup = false;                  // in place: keep the original as "name.ext~"
    bool dryRun = false;                  // plan and name the result, write nothing
    std::optional<FileStamp> measured;    // refuse when the file no longer matches
};

struct SetDpiOutcome {
    SetDpiRefusal refusal = SetDpiRefusal::None;
    std::string detail;                   // the system's words, when there are any
    std::string format;
    std::optional<double> oldDpi;         // as the reader measured it before
    std::string writtenPath;              // written, or that would be in a dry run
    std::string backupPath;
    bool ok() const { return refusal == SetDpiRefusal::None; }
};

// "photo.jpg" at 300 dpi: "photo (300 dpi).jpg".
std::string copyNameFor(const std::string& fileName, int dpi);

// Reads the file whole, plans the change, writes it to a temporary file in
// the destination folder, flushes it, compares every byte with what was
// meant and reads it back with `reader` (the asked dpi, the same pixel size
// and colour class), and only then gives it its name. On any failure the
// temporary file is removed and the original is as it was.
SetDpiOutcome setRecordedResolution(const SetDpiJob& job, const ImageHeaderReader& reader);

// Why, in the user's words.
QString refusalText(const SetDpiOutcome& outcome);

// The largest whole dpi at which `pixels` cover `length` inches (rounded
// down, at least 1); empty when the length is not positive.
std::optional<int> dpiToCover(int64_t pixelsWide, int64_t pixelsHigh, double widthInches, double heightInches);

namespace testing {
// Makes the next writes fail: after `bytes` bytes of the new file (a full
// disk), or just before the rename. Negative: no failure.
struct Faults {
    int64_t failAfterBytes = -1;
    bool failBeforeRename = false;
};
void setFaults(const Faults& faults);
} // namespace testing

} // namespace quorvel::platform::write
