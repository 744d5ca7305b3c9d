// Any bytes handed straight to the layered-document and bitmap readers, with
// and without details: a refused file says why, a read one has a size, and
// asking for the details never changes the measure.
#include "HandReadHeaders.h"

#include "platform/header/FormatReaders.h"
#include "platform/header/HeaderFile.h"

using namespace quorvel;
using namespace quorvel::platform::header;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz::scratchFile("psd-bmp");
    if (size == 0)
        return 0; // an empty file is refused before any reader sees it
    fuzz::writeFile(path, data, size);
    const auto file = HeaderFile::open(path);
    if (!file)
        std::abort();
    // Both readers on every input, whatever its first bytes say.
    for (auto read : {readPsdHeader, readBmpHeader}) {
        ImageDetails details;
        const ImageHeader plain = read(*file, nullptr);
        const ImageHeader detailed = read(*file, &details);
        fuzz::checkAnswers(plain, detailed, details);
    }
    return 0;
}
