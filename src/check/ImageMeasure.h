#pragma once

#include "check/ColourClass.h"
#include "check/InkStatistics.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

struct ImageDetails; // check/ImageDetails.h

// Why a file could not be measured. The measure of such a file stays empty;
// the reason is for the user, in the details and the pipeline output.
enum class UnreadableReason {
    None,             // the file was read
    NotAnImage,       // no image format recognises its first bytes
    NotSupported,     // an image format that nothing here can read
    Damaged,          // a recognised format whose header is broken or cut short
    TooLarge,         // the header claims more than is ever allocated
    TimedOut,         // the reader gave no answer in time
    PermissionDenied, // the file cannot be opened for reading
    Vanished,         // the file is no longer there (or is not a regular file)
    NotFound,         // nothing at the path
    Folder,           // a folder, not a file
};

// What the file itself records, read from its header by the image loader.
struct ImageHeader {
    bool readable = false;
    int32_t pixelsHigh = 0;  // of the first image in the file
    int32_t pixelsWide = 0;
    // Vertical resolution in dots per inch; absent when the file records none.
    std::optional<double> verticalDpi;
    std::optional<std::string> colourSpaceName;
    // Set whenever `readable` is false.
    UnreadableReason unreadableReason = UnreadableReason::None;
};

// The measure of one image file as the rules see it.
struct ImageMeasure {
    int32_t pixelsHigh = 0;
    int32_t pixelsWide = 0;
    float heightPoints = 0.0f; // physical height at the recorded resolution, in 1/72 inch
    std::optional<std::string> colourSpaceName;
    ColourClass colourClass = ColourClass::Other;
    UnreadableReason unreadableReason = UnreadableReason::None;
};

// The loader as the check sees it: reads a header, never decodes pixels.
class ImageHeaderReader {
public:
    virtual ~ImageHeaderReader() = default;
    virtual ImageHeader readHeader(const std::string& path) const = 0;
    // Details: the header and, in the same pass, the details of the file. A
    // reader that knows no details leaves them as they were.
    virtual ImageHeader readHeaderAndDetails(const std::string& path, ImageDetails&) const { return readHeader(path); }
    // The total ink of a CMYK image, every pixel at full resolution (this
    // decodes the whole image, unlike the rest). Absent when the pixels are
    // not CMYK or cannot be read, and from a reader that cannot read pixels.
    virtual std::optional<InkStatistics> readInk(const std::string&) const { return std::nullopt; }
};

// An unreadable file measures 0 x 0, no colour-space name, 0 points high.
// A file that records no resolution counts as 72 dpi: its height in points is
// its pixel height.
ImageMeasure measureFromHeader(const ImageHeader& header);

ImageMeasure measureImage(const std::string& path, const ImageHeaderReader& reader);

// Details: the same measure, with the file's details read in the same pass.
ImageMeasure measureImage(const std::string& path, const ImageHeaderReader& reader, ImageDetails& details);

} // namespace quorvel
