// Writes the image seeds of corpus/image_header: small real files of every
// format the header reader knows, and headers that claim far more than they
// hold; with a second folder, the layered-document and bitmap seeds of
// corpus/psd_bmp_header too, with a third the JPEG 2000 and Netpbm seeds of
// corpus/jp2_netpbm_header. Run once by hand when the seeds should change:
//   cmake --build build --target make_fuzz_seeds &&
//   build/fuzz/make_fuzz_seeds fuzz/corpus/image_header fuzz/corpus/psd_bmp_header fuzz/corpus/jp2_netpbm_header
#include "HostileFiles.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"
#include "support/TestImages.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <string>

using namespace quorvel::test;

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: %s corpus-folder [psd-bmp-corpus-folder [jp2-netpbm-corpus-folder]]\n", argv[0]);
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
        {"bomb.psd", psdClaiming(300000, 300000)},
        {"bomb.bmp", bmpClaiming(100000, 100000)},
        {"small.psd", smallImage(QStringLiteral(".psd"))},
        {"small.bmp", smallImage(QStringLiteral(".bmp"))},
    };
    auto save = [&ok](const QDir& folder, const char* name, const QByteArray& bytes) {
        QFile file(folder.filePath(QLatin1String(name)));
        ok = !bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && ok;
    };
    for (const Claimed& claim : claims)
        save(dir, claim.name, claim.bytes);
    if (argc < 3)
        return ok ? 0 : 1;

    // Every colour mode, both versions, layers where each kind of file keeps
    // them, a profile; bitmaps of every header version and depth.
    const QDir psdBmp(QFile::decodeName(argv[2]));
    ok = psdBmp.mkpath(QStringLiteral(".")) && ok;
    auto bytes = [](const Bytes& b) { return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())); };
    // A profile header without tags: enough for the readers to parse.
    Bytes profile(132, 0);
    profile[3] = 132;
    std::memcpy(profile.data() + 16, "RGB ", 4);
    std::memcpy(profile.data() + 36, "acsp", 4);
    struct Mode { uint16_t mode, channels, depth; };
    for (const Mode m : {Mode{0, 1, 1}, Mode{1, 2, 16}, Mode{2, 1, 8}, Mode{3, 4, 8}, Mode{3, 3, 32}, Mode{4, 5, 8},
                         Mode{7, 2, 8}, Mode{8, 1, 8}, Mode{9, 3, 16}}) {
        for (uint16_t version : {1, 2}) {
            PsdRecipe s;
            s.version = version;
            s.mode = m.mode;
            s.channels = m.channels;
            s.depth = m.depth;
            s.width = 5;
            s.height = 3;
            s.resolution = PsdRecipe::Resolution{300, 300, uint16_t(1 + m.mode % 2)};
            s.layers = m.mode + 1;
            s.layersInTaggedBlock = m.depth > 8;
            if (m.mode == 3)
                s.profile = profile;
            const std::string name = "mode" + std::to_string(m.mode) + "-" + std::to_string(m.depth) + (version == 2 ? ".psb" : ".psd");
            save(psdBmp, name.c_str(), bytes(psdBytes(s)));
        }
    }
    struct Bitmap { uint32_t header; uint16_t bits; uint32_t compression; int32_t height; };
    for (const Bitmap b : {Bitmap{12, 8, 0, 3}, Bitmap{40, 1, 0, 3}, Bitmap{40, 4, 0, -3}, Bitmap{40, 16, 3, 3},
                           Bitmap{40, 24, 0, 3}, Bitmap{108, 32, 3, -3}, Bitmap{124, 8, 0, 3}}) {
        BmpRecipe s;
        s.width = 5;
        s.height = b.height;
        s.headerSize = b.header;
        s.bitCount = b.bits;
        s.compression = b.compression;
        s.xPerMetre = s.yPerMetre = 11811;
        s.greyPalette = b.bits == 1;
        s.alphaMask = b.bits == 32 ? 0xFF000000 : 0;
        if (b.header == 124)
            s.profile = profile;
        const std::string name = "v" + std::to_string(b.header) + "-" + std::to_string(b.bits) + ".bmp";
        save(psdBmp, name.c_str(), bytes(bmpBytes(s)));
    }
    if (argc < 4)
        return ok ? 0 : 1;

    // JPEG 2000 files with each kind of colour box, resolution boxes, channel
    // definitions and long box headers, a bare codestream; every Netpbm kind
    // with comments between the tokens.
    const QDir jp2Netpbm(QFile::decodeName(argv[3]));
    ok = jp2Netpbm.mkpath(QStringLiteral(".")) && ok;
    Jp2Recipe rgb;
    rgb.width = 5;
    rgb.height = 3;
    rgb.capture = Jp2Recipe::Resolution{11811, 1, 5906, 1, 0, 0};
    rgb.display = Jp2Recipe::Resolution{3937, 100, 3937, 100, 2, 2};
    Jp2Recipe grey = rgb;
    grey.components = 2;
    grey.depth = 12;
    grey.enumeratedSpace = 17;
    grey.channelTypes = {0, 1};
    grey.capture.reset();
    Jp2Recipe cmyk = rgb;
    cmyk.components = 4;
    cmyk.profile = profile;
    std::memcpy(cmyk.profile.data() + 16, "CMYK", 4);
    cmyk.extendedLengths = true;
    cmyk.codestreamRunsToEnd = false;
    save(jp2Netpbm, "rgb-res.jp2", bytes(jp2Bytes(rgb)));
    save(jp2Netpbm, "grey-alpha.jp2", bytes(jp2Bytes(grey)));
    save(jp2Netpbm, "cmyk-profile.jp2", bytes(jp2Bytes(cmyk)));
    save(jp2Netpbm, "rgb.j2k", bytes(jp2Bytes(rgb, true)));
    Jp2Recipe huge = rgb;
    huge.width = huge.height = 0x7FFFFFFF;
    huge.tileWide = huge.tileHigh = 1 << 20;
    save(jp2Netpbm, "huge.jp2", bytes(jp2Bytes(huge)));
    const char* const headers[][2] = {
        {"plain.pbm", "P1\n# comment\n5 # wide\n3\n"},
        {"raw.pbm", "P4 5\t3\n"},
        {"plain.pgm", "P2\n5 3\n#c\n65535\n"},
        {"raw.pgm", "P5\r\n5 3\r\n255\n"},
        {"plain.ppm", "P3 5 3 15 "},
        {"raw.ppm", "P6#a\n5#b\n3#c\n255\n"},
        {"rgba.pam", "P7\nWIDTH 5\n# c\nHEIGHT 3\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"},
        {"grey.pam", "P7\nTUPLTYPE GRAYSCALE\nMAXVAL 65535\nDEPTH 1\nHEIGHT 3\nWIDTH 5\nENDHDR\n"},
        {"huge.pgm", "P5 2147483647 2147483647 255\n"},
    };
    for (const auto& header : headers)
        save(jp2Netpbm, header[0], bytes(netpbmBytes(header[1], 45)));
    // A few of them through the reader as a whole too, which picks the
    // format by the first bytes.
    for (const char* name : {"rgb-res.jp2", "rgb.j2k", "plain.pbm", "rgba.pam"}) {
        QFile from(jp2Netpbm.filePath(QLatin1String(name)));
        save(dir, name, from.open(QIODevice::ReadOnly) ? from.readAll() : QByteArray());
    }
    return ok ? 0 : 1;
}
