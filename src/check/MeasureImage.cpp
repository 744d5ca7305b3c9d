#include "check/ImageMeasure.h"

#include <cmath>

namespace quorvel {

ImageMeasure measureFromHeader(const ImageHeader& header)
{
    ImageMeasure measure;
    if (!header.readable) {
        // A reader that gave no reason still failed: say at least that.
        measure.unreadableReason = header.unreadableReason == UnreadableReason::None ? UnreadableReason::Damaged
                                                                                     : header.unreadableReason;
        return measure;
    }

    measure.pixelsHigh = header.pixelsHigh;
    measure.pixelsWide = header.pixelsWide;
    const double dpi = header.verticalDpi.value_or(72.0);
    if (dpi > 0.0 && std::isfinite(dpi))
        measure.heightPoints = static_cast<float>(header.pixelsHigh * 72.0 / dpi);
    else
        measure.heightPoints = 0.0f; // a recorded zero resolution: no physical size
    measure.colourSpaceName = header.colourSpaceName;
    measure.colourClass = classifyColourSpace(header.colourSpaceName);
    return measure;
}

ImageMeasure measureImage(const std::string& path, const ImageHeaderReader& reader)
{
    return measureFromHeader(reader.readHeader(path));
}

} // namespace quorvel
