// Any bytes handed straight to the JPEG 2000 and Netpbm readers, with and
// without details, and to the JPEG 2000 box walk: every box it names lies
// within its parent and the file, and the readers keep the rules of the
// other hand-written ones.
#include "HandReadHeaders.h"

#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"
#include "platform/header/Jp2Boxes.h"

using namespace quorvel;
using namespace quorvel::platform::header;

namespace {

void within(const jp2::Box& box, int64_t start, int64_t end)
{
    if (box.offset < start || box.headerBytes < 8 || box.length < box.headerBytes || box.end() > end)
        std::abort();
}

void checkLayout(const uint8_t* data, size_t size)
{
    const std::optional<jp2::Layout> layout = jp2::walkBoxes(data, size);
    if (!layout)
        return;
    const int64_t end = int64_t(size);
    within(layout->fileType, 12, end);
    within(layout->header, layout->fileType.end(), end);
    within(layout->codestream, layout->header.end(), end);
    const int64_t from = layout->header.contentOffset();
    within(layout->imageHeader, from, layout->header.end());
    if (layout->imageHeader.contentLength() < 14)
        std::abort();
    for (const auto& box : {layout->bitDepths, layout->colour, layout->palette, layout->channels, layout->resolution})
        if (box)
            within(*box, from, layout->header.end());
    for (const auto& box : {layout->capture, layout->display}) {
        if (!box)
            continue;
        if (!layout->resolution || box->contentLength() < int64_t(jp2::resolutionContentBytes))
            std::abort();
        within(*box, layout->resolution->contentOffset(), layout->resolution->end());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz::scratchFile("jp2-netpbm");
    if (size == 0)
        return 0; // an empty file is refused before any reader sees it
    checkLayout(data, size);
    fuzz::writeFile(path, data, size);
    const auto file = HeaderFile::open(path);
    if (!file)
        std::abort();
    // Every reader on every input, whatever its first bytes say.
    for (auto read : {readJp2Header, readJ2kHeader, readNetpbmHeader}) {
        ImageDetails details;
        const ImageHeader plain = read(*file, nullptr);
        const ImageHeader detailed = read(*file, &details);
        fuzz::checkAnswers(plain, detailed, details);
    }
    return 0;
}
