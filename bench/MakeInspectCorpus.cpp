// Writes the benchmark corpus for bench/inspect_vs_tools.sh: COUNT mixed
// JPEG, TIFF and PNG files (RGB, CMYK and grey; 72, 150 and 300 dpi), the
// same recipe as the report benchmark's; every tenth file in its place a
// layered document or a bitmap laid out by hand.
//
//   bench/make_inspect_corpus DIR [COUNT]
#include "PsdBmpFiles.h"
#include "support/VipsStart.h"

#include <vips/vips8>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: make_inspect_corpus DIR [COUNT]\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    const int count = argc > 2 ? std::atoi(argv[2]) : 1000;
    quorvel::test::ensureVipsStarted();
    const char* suffixes[] = {"jpg", "tif", "png"};
    const double resolutions[] = {72.0, 150.0, 300.0};
    for (int i = 0; i < count; ++i) {
        const int width = 300 + (i * 37) % 900;
        const int height = 200 + (i * 53) % 700;
        char name[64];
        std::snprintf(name, sizeof name, "/image %04d.%s", i, suffixes[i % 3]);
        const int kind = (i / 3) % 3;
        const bool cmyk = kind == 1 && i % 3 != 2; // PNG takes no CMYK
        const bool grey = kind == 2;
        const int bands = grey ? 1 : (cmyk ? 4 : 3);
        const VipsInterpretation interpretation =
            grey ? VIPS_INTERPRETATION_B_W : (cmyk ? VIPS_INTERPRETATION_CMYK : VIPS_INTERPRETATION_sRGB);
        const double dpi = resolutions[(i / 9) % 3];
        if (i % 10 == 9) {
            quorvel::test::Bytes bytes;
            if (i % 20 == 9) {
                quorvel::test::PsdRecipe s;
                s.width = width;
                s.height = height;
                s.mode = cmyk ? 4 : grey ? 1 : 3;
                s.channels = cmyk ? 4 : grey ? 1 : 3;
                s.resolution = quorvel::test::PsdRecipe::Resolution{dpi, dpi, 1};
                s.fillerResources = 20;
                s.fillerBytes = 1024;
                s.layers = 3;
                bytes = quorvel::test::psdBytes(s);
                std::snprintf(name, sizeof name, "/image %04d.psd", i);
            } else {
                quorvel::test::BmpRecipe s;
                s.width = width;
                s.height = height;
                s.headerSize = 124;
                s.xPerMetre = s.yPerMetre = int32_t(dpi / 0.0254 + 0.5);
                bytes = quorvel::test::bmpBytes(s);
                std::snprintf(name, sizeof name, "/image %04d.bmp", i);
            }
            std::ofstream out(dir + name, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            if (!out) {
                std::fprintf(stderr, "cannot write %s%s\n", dir.c_str(), name);
                return 1;
            }
            continue;
        }
        try {
            vips::VImage image = vips::VImage::black(width, height, vips::VImage::option()->set("bands", bands));
            image = (image + (i % 200)).cast(VIPS_FORMAT_UCHAR);
            image = image.copy(vips::VImage::option()
                                   ->set("interpretation", interpretation)
                                   ->set("xres", dpi / 25.4)
                                   ->set("yres", dpi / 25.4));
            image.write_to_file((dir + name).c_str());
        } catch (const vips::VError& error) {
            std::fprintf(stderr, "cannot write %s%s: %s\n", dir.c_str(), name, error.what());
            return 1;
        }
    }
    return 0;
}
