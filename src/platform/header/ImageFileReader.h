#pragma once

#include "check/ImageMeasure.h"

namespace quorvel::platform {

// Reads the header of an image file: JPEG, PNG, TIFF and WebP through their
// own libraries, GIF, PSD/PSB, BMP, JPEG 2000 and the Netpbm formats by
// hand, anything else through libvips in the confined loader helper. Never decodes pixels, never blocks on a named
// pipe, never allocates by what a header claims. An unreadable header says why.
class ImageFileReader final : public ImageHeaderReader {
public:
    ImageHeader readHeader(const std::string& path) const override;
    // Details: the same header, with the details read in the same pass.
    ImageHeader readHeaderAndDetails(const std::string& path, ImageDetails& details) const override;
    // The total ink, every pixel decoded in the confined loader helper.
    std::optional<InkStatistics> readInk(const std::string& path) const override;
};

} // namespace quorvel::platform
