#include "platform/header/DetailReaders.h"
#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

namespace quorvel::platform::header {

// The logical screen descriptor gives the size; a GIF records no resolution
// and its colours always come from a palette.
ImageHeader readGifHeader(HeaderFile& file, ImageDetails* details)
{
    ImageHeader header;
    unsigned char start[13];
    if (file.readAt(0, start, sizeof start) != sizeof start)
        return header;
    const int width = start[6] | start[7] << 8;
    const int height = start[8] | start[9] << 8;
    if (width == 0 || height == 0)
        return header;
    header.readable = true;
    header.pixelsHigh = height;
    header.pixelsWide = width;
    header.colourSpaceName = std::string(colourspace::rgb);
    if (details)
        gifDetails(*details, file);
    return header;
}

} // namespace quorvel::platform::header
