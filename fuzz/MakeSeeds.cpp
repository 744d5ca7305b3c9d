// Writes the image seeds of corpus/image_header: small real files of every
// format the header reader knows, and headers that claim far more than they
// hold. Run once by hand when the seeds should change:
//   cmake --build build --target make_fuzz_seeds && build/fuzz/make_fuzz_seeds fuzz/corpus/image_header
#include "HostileFiles.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace quorvel::test;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s corpus-folder\n", argv[0]);
        return 2;
    }
    const QDir dir(QFile::decodeName(argv[1]));
    bool ok = dir.mkpath(QStringLiteral("."));
    struct Written { const char* name; ImageSpecForTest recipe; };
    const Written images[] = {
        {"rgb300.jpg", {.width = 8, .height = 6, .dpi = 300}},
        {"cmyk.jpg", {.width = 8, .height = 8, .model = Model::CMYK, .dpi = 150}},
        {"progressive.jpg[interlace]", {.width = 12, .height = 8}},
        {"grey.png", {.width = 8, .height = 8, .model = Model::Grey, .dpi = 600}},
        {"rgba16.png", {.width = 6, .height = 4, .model = Model::RGBA, .sixteenBit = true}},
        {"interlaced.png[interlace]", {.width = 9, .height = 9}},
        {"rgb.tif", {.width = 8, .height = 8, .dpi = 300}},
        {"cmyk-deflate.tif[compression=deflate]", {.width = 8, .height = 8, .model = Model::CMYK}},
        {"lab.tif", {.width = 4, .height = 4, .model = Model::Lab}},
        {"rgb.webp", {.width = 8, .height = 8}},
        {"lossless-rgba.webp[lossless]", {.width = 8, .height = 8, .model = Model::RGBA}},
        {"rgb.gif", {.width = 8, .height = 8}},
    };
    for (const Written& image : images)
        ok = writeTestImage(dir.filePath(QLatin1String(image.name)), image.recipe) && ok;

    struct Claimed { const char* name; QByteArray bytes; };
    const Claimed claims[] = {
        {"bomb.png", pngClaiming(100000, 100000)},
        {"bomb.tif", tiffClaiming(100000, 100000)},
        {"bomb.jpg", jpegClaiming(65000, 65000, false)},
        {"bomb-progressive.jpg", jpegClaiming(19000, 19000, true)},
        {"bomb.gif", gifClaiming(65535, 65535)},
    };
    for (const Claimed& claim : claims) {
        QFile file(dir.filePath(QLatin1String(claim.name)));
        ok = !claim.bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(claim.bytes) == claim.bytes.size() && ok;
    }
    return ok ? 0 : 1;
}
