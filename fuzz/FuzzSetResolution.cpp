// Any bytes through the resolution writer and back through the reader: a
// file is either written, and then measures the asked dpi with its old size
// and colour class, or refused with nothing written; the original never
// changes.
#include "platform/header/ImageFileReader.h"
#include "platform/write/ResolutionWriter.h"

#include <QLoggingCategory>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace quorvel;
namespace write = quorvel::platform::write;
namespace fs = std::filesystem;

const fs::path& scratchFolder()
{
    static const fs::path folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-fuzz-set-dpi-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return fs::path(pattern);
    }();
    return folder;
}

std::vector<uint8_t> contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("quorvel.*=false"));
        return true;
    }();
    (void)quiet;
    const fs::path folder = scratchFolder();
    const fs::path original = folder / "input.img";
    {
        std::ofstream out(original, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    const int dpi = size > 0 ? 1 + (data[size - 1] * 257) % write::maxSettableDpi : 300;

    const platform::ImageFileReader reader;
    write::SetDpiJob job;
    job.path = original.string();
    job.dpi = dpi;
    const write::SetDpiOutcome outcome = write::setRecordedResolution(job, reader);
    if (contents(original) != std::vector<uint8_t>(data, data + size))
        std::abort(); // the original changed

    size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        (void)entry;
        ++files;
    }
    if (!outcome.ok()) {
        if (files != 1)
            std::abort(); // a refused file left something behind
        return 0;
    }
    const ImageHeader before = reader.readHeader(original.string());
    const ImageHeader after = reader.readHeader(outcome.writtenPath);
    if (!after.readable || !after.verticalDpi || std::fabs(*after.verticalDpi - dpi) > 0.005
        || after.pixelsWide != before.pixelsWide || after.pixelsHigh != before.pixelsHigh
        || classifyColourSpace(after.colourSpaceName) != classifyColourSpace(before.colourSpaceName))
        std::abort();
    fs::remove(outcome.writtenPath);
    return 0;
}
