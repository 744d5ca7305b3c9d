// quorvel-inspect: the measure of each file named on the command line, one
// tab-separated line per file, in the order given. Reads headers only; the
// verdict rules need a setting and stay with the inspector.
#include "check/CheckRules.h"
#include "check/ImageMeasure.h"
#include "platform/header/ImageFileReader.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: quorvel-inspect FILE...\n"
                   "Prints one line per file: path, pixels high, pixels wide, dpi, colour class, "
                   "colour-space name, separated by tabs.\n",
                   stderr);
        return 2;
    }
    const quorvel::platform::ImageFileReader reader;
    for (int i = 1; i < argc; ++i) {
        const quorvel::ImageMeasure measure = quorvel::measureImage(argv[i], reader);
        const int32_t dpi = quorvel::measuredDpi(measure.pixelsHigh, measure.heightPoints);
        const std::string_view label = quorvel::colourLabel(measure.colourClass);
        std::string line = argv[i];
        line += '\t' + std::to_string(measure.pixelsHigh);
        line += '\t' + std::to_string(measure.pixelsWide);
        line += '\t' + std::to_string(dpi);
        line += '\t';
        line += label.empty() ? std::string_view("Other") : label;
        line += '\t';
        line += measure.colourSpaceName.value_or(std::string());
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
