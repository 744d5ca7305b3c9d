#include "HostileFiles.h"

#include "PsdBmpFiles.h"
#include "support/TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <zlib.h>

namespace quorvel::test {
namespace {

QByteArray written(const QString& name, const ImageSpecForTest& recipe = {.width = 16, .height = 16})
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image") + name);
    // Writer options ride in brackets after the name: "x.jpg[interlace]".
    const qsizetype bracket = path.indexOf(QLatin1Char('['));
    if (!dir.isValid() || !writeTestImage(path, recipe))
        return {};
    QFile file(bracket < 0 ? path : path.left(bracket));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void putBig16(QByteArray& bytes, qsizetype at, quint16 value)
{
    qToBigEndian(value, bytes.data() + at);
}

} // namespace

QByteArray pngClaiming(quint32 width, quint32 height, bool interlaced)
{
    QByteArray png = written(interlaced ? QStringLiteral(".png[interlace]") : QStringLiteral(".png"));
    if (png.size() < 33)
        return {};
    // Signature (8), then IHDR: length (4), type (4), width, height, ..., CRC.
    qToBigEndian(width, png.data() + 16);
    qToBigEndian(height, png.data() + 20);
    const quint32 crc = static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(png.constData() + 12), 17));
    qToBigEndian(crc, png.data() + 29);
    return png;
}

QByteArray tiffClaiming(quint32 width, quint32 height)
{
    struct Entry { quint16 tag, type; quint32 count, value; };
    constexpr quint16 shortType = 3, longType = 4, rationalType = 5;
    constexpr quint32 entries = 12;
    constexpr quint32 extra = 8 + 2 + entries * 12 + 4; // after the header and the IFD
    constexpr quint32 bits = extra, xres = extra + 8, yres = xres + 8, strip = yres + 8;
    const Entry ifd[entries] = {
        {256, longType, 1, width},
        {257, longType, 1, height},
        {258, shortType, 3, bits},
        {259, shortType, 1, 1},  // uncompressed
        {262, shortType, 1, 2},  // RGB
        {273, longType, 1, strip},
        {277, shortType, 1, 3},
        {278, longType, 1, height}, // the whole image in one strip
        {279, longType, 1, 16},
        {282, rationalType, 1, xres},
        {283, rationalType, 1, yres},
        {296, shortType, 1, 2},  // per inch
    };
    QByteArray tiff("II*\0", 4);
    auto put16 = [&tiff](quint16 v) { tiff.append(2, '\0'); qToLittleEndian(v, tiff.data() + tiff.size() - 2); };
    auto put32 = [&tiff](quint32 v) { tiff.append(4, '\0'); qToLittleEndian(v, tiff.data() + tiff.size() - 4); };
    put32(8);
    put16(entries);
    for (const Entry& e : ifd) {
        put16(e.tag);
        put16(e.type);
        put32(e.count);
        if (e.type == shortType && e.count == 1) {
            put16(static_cast<quint16>(e.value));
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0); // no further image
    put16(8); put16(8); put16(8); put16(0);
    put32(300); put32(1);
    put32(300); put32(1);
    tiff.append(16, '\x80');
    return tiff;
}

QByteArray jpegClaiming(quint16 width, quint16 height, bool progressive)
{
    QByteArray jpeg = written(progressive ? QStringLiteral(".jpg[interlace,strip]") : QStringLiteral(".jpg[strip]"));
    const char frame = progressive ? '\xC2' : '\xC0';
    for (qsizetype at = 2; at + 9 < jpeg.size(); ++at) {
        if (jpeg[at] == '\xFF' && jpeg[at + 1] == frame) {
            // Marker, length (2), precision (1), height (2), width (2).
            putBig16(jpeg, at + 5, height);
            putBig16(jpeg, at + 7, width);
            return jpeg;
        }
    }
    return {};
}

QByteArray gifClaiming(quint16 width, quint16 height)
{
    QByteArray gif = written(QStringLiteral(".gif"));
    if (gif.size() < 13)
        return {};
    qToLittleEndian(width, gif.data() + 6);
    qToLittleEndian(height, gif.data() + 8);
    return gif;
}

QByteArray psdClaiming(quint32 width, quint32 height, quint16 version)
{
    PsdRecipe recipe;
    recipe.version = version;
    recipe.width = width;
    recipe.height = height;
    recipe.mode = 4;
    recipe.channels = 4;
    recipe.resolution = PsdRecipe::Resolution{300, 300, 1};
    const Bytes b = psdBytes(recipe);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QByteArray bmpClaiming(qint32 width, qint32 height, quint16 bitCount)
{
    BmpRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.bitCount = bitCount;
    recipe.headerSize = 124;
    recipe.yPerMetre = recipe.xPerMetre = 11811;
    const Bytes b = bmpBytes(recipe);
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

QByteArray jp2Claiming(quint32 width, quint32 height, quint32 tile)
{
    QByteArray jp2 = written(QStringLiteral(".jp2"));
    const qsizetype ihdr = jp2.indexOf("ihdr");
    const qsizetype siz = jp2.indexOf("\xFF\x51");
    if (ihdr < 0 || siz < 0 || jp2.size() < siz + 4 + 36)
        return {};
    qToBigEndian(height, jp2.data() + ihdr + 4);
    qToBigEndian(width, jp2.data() + ihdr + 8);
    // SIZ: marker, length, capabilities, then the image, offset and tile sizes.
    char* size = jp2.data() + siz + 6;
    qToBigEndian(width, size);
    qToBigEndian(height, size + 4);
    qToBigEndian(quint32(0), size + 8);
    qToBigEndian(quint32(0), size + 12);
    qToBigEndian(tile ? tile : width, size + 16);
    qToBigEndian(tile ? tile : height, size + 20);
    return jp2;
}

QByteArray smallImage(const QString& suffix)
{
    // Formats that nothing here writes are laid out by hand.
    if (suffix == QLatin1String(".psd")) {
        PsdRecipe recipe;
        recipe.width = 24;
        recipe.height = 16;
        recipe.resolution = PsdRecipe::Resolution{300, 300, 1};
        recipe.layers = 2;
        const Bytes b = psdBytes(recipe);
        return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
    }
    if (suffix == QLatin1String(".bmp"))
        return bmpClaiming(24, 16, 24);
    return written(suffix, {.width = 24, .height = 16, .model = Model::RGB, .dpi = 300});
}

QByteArray bitFlipped(QByteArray bytes, int count, int span, unsigned seed)
{
    const int limit = std::min<int>(span, static_cast<int>(bytes.size()));
    if (limit <= 0)
        return bytes;
    unsigned state = seed * 2654435761u + 1;
    for (int i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const int at = static_cast<int>((state >> 8) % static_cast<unsigned>(limit));
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << (state >> 29)));
    }
    return bytes;
}

} // namespace quorvel::test
