#pragma once

// The bytes that change when a file's recorded resolution is set: for each
// format it writes natively, the fields that hold the resolution, found by
// walking the file's own structure with every offset checked against its
// size. Nothing here touches the disk; the file is read whole beforehand.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::platform::write {

// Replaces `removed` bytes at `offset` of the original by `inserted`. An
// in-place field change removes as many bytes as it inserts; an insertion
// removes none.
struct ByteEdit {
    uint64_t offset = 0;
    uint64_t removed = 0;
    std::vector<unsigned char> inserted;
};

// Why a file's resolution cannot be set.
enum class SetDpiRefusal {
    None,
    NoResolutionField,  // GIF, and every format read only through the helper
    WebpWithoutExif,    // a simple WebP file: no place for a resolution
    HeaderWithoutField, // a BMP core header, which records no resolution
    Damaged,            // a structure that is broken, cut short or points outside itself
    RefersToPositions,  // a JPEG 2000 file that points into itself: nothing may move
    TooLarge,           // the change would take an offset past what the format can address
    DpiOutOfRange,
    Unreadable,         // the file cannot be opened or read
    ChangedSinceMeasured,
    TargetExists,
    WriteFailed,
    VerifyFailed,
    Cancelled,
};

struct ResolutionPlan {
    SetDpiRefusal refusal = SetDpiRefusal::None;
    std::vector<ByteEdit> edits; // sorted, none overlapping
    const char* format = "";     // "JPEG", "PNG"…: for traces and reports
};

// The largest resolution every writer can record exactly.
inline constexpr int maxSettableDpi = 65535;

// The edits that record `dpi` (horizontal and vertical alike) in the file
// whose bytes are given, or why it cannot be done. The format is told by the
// bytes, as the reader tells it.
ResolutionPlan planResolution(const unsigned char* data, size_t size, int dpi);

// What can be told from a file's first bytes (32 are enough): a format that
// keeps no resolution, a simple WebP file or a BMP core header. None when
// only the whole file can tell.
SetDpiRefusal refusalByFormat(const unsigned char* start, size_t size);

// The file as it is once the edits are made, in pieces: spans of the
// original and inserted bytes, in order. For writing and for comparing.
struct Piece {
    const unsigned char* bytes;
    size_t size;
};
std::vector<Piece> editedPieces(const unsigned char* data, size_t size, const std::vector<ByteEdit>& edits);

// Sorts the edits and checks that they lie within the file and do not
// overlap; two edits of the same range with the same bytes become one.
bool normaliseEdits(std::vector<ByteEdit>& edits, size_t size);

namespace detail {
// Per-format planners; `plan.edits` is filled in on success.
ResolutionPlan planJpeg(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planPng(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planTiff(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planWebp(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planPsd(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planBmp(const unsigned char* data, size_t size, int dpi);
ResolutionPlan planJp2(const unsigned char* data, size_t size, int dpi);

// A TIFF structure (a TIFF file, or the EXIF block of a JPEG or WebP file)
// at `base` in the file: the resolution of its first directory set in place.
// With `mayAppend`, a directory whose fields are missing or do not fit is
// copied, completed, to the end of the block (the old one left as it is)
// and the header pointed at the copy; without it, such a block is left
// alone and reported as Missing.
enum class TiffOutcome { Patched, Missing, Damaged, TooLarge };
TiffOutcome patchTiffStructure(const unsigned char* block, size_t size, uint64_t base, int dpi, bool mayAppend,
                               std::vector<ByteEdit>& edits);

// Image resources ("8BIM" blocks) at `base`: the resolution record (0x03ED)
// set in place. False when there is none; `damaged` when the walk stopped
// on a broken block before the end.
bool patchPhotoshopResources(const unsigned char* resources, size_t size, uint64_t base, int dpi,
                             std::vector<ByteEdit>& edits, bool* damaged = nullptr);
// The 16 bytes of a resolution record for `dpi`, per inch both ways.
std::vector<unsigned char> photoshopResolutionRecord(int dpi);

// A minimal EXIF (TIFF) block recording only `dpi` per inch.
std::vector<unsigned char> exifBlockFor(int dpi);
} // namespace detail

} // namespace quorvel::platform::write
