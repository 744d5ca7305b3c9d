#include "check/CheckRules.h"
#include "check/ImageMeasure.h"
#include "platform/header/ImageFileReader.h"
#include "support/TestImages.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <tiffio.h>
#include <zlib.h>

using namespace quorvel;
using quorvel::test::ImageSpecForTest;
using quorvel::test::Model;

namespace {

class HeaderReader : public ::testing::Test {
protected:
    ImageHeader read(const QString& path) const { return reader.readHeader(QFile::encodeName(path).toStdString()); }
    int dpiOf(const QString& path) const
    {
        const ImageMeasure m = measureFromHeader(read(path));
        return measuredDpi(m.pixelsHigh, m.heightPoints);
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    QByteArray bytesOf(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeBytes(const QString& path, const QByteArray& bytes) const
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QTemporaryDir dir;
    platform::ImageFileReader reader;
};

struct WrittenCase {
    const char* name; // file name; its suffix picks the format
    Model model;
    bool sixteenBit;
    double dpi;
    ColourClass colourClass;
    int expectedDpi;
};

class WrittenImages : public HeaderReader, public ::testing::WithParamInterface<WrittenCase> {};

TEST_P(WrittenImages, ReadSizeResolutionAndColourFromTheHeader)
{
    const WrittenCase c = GetParam();
    const QString path = file(QLatin1String(c.name));
    ASSERT_TRUE(test::writeTestImage(path, {.width = 37, .height = 53, .model = c.model, .dpi = c.dpi, .sixteenBit = c.sixteenBit}));
    const ImageHeader h = read(path);
    ASSERT_TRUE(h.readable);
    EXPECT_EQ(h.pixelsHigh, 53);
    EXPECT_EQ(h.pixelsWide, 37);
    EXPECT_EQ(classifyColourSpace(h.colourSpaceName), c.colourClass);
    EXPECT_EQ(dpiOf(path), c.expectedDpi);
}

INSTANTIATE_TEST_SUITE_P(Formats, WrittenImages, ::testing::Values(
    WrittenCase{"rgb300.tif", Model::RGB, false, 300, ColourClass::RGB, 300},
    WrittenCase{"rgba16.tif", Model::RGBA, true, 150, ColourClass::RGB, 150},
    WrittenCase{"cmyk300.tif", Model::CMYK, false, 300, ColourClass::CMYK, 300},
    WrittenCase{"grey600.tif", Model::Grey, false, 600, ColourClass::Grayscale, 600},
    WrittenCase{"grey16alpha.tif", Model::GreyAlpha, true, 72, ColourClass::Grayscale, 72},
    WrittenCase{"lab.tif", Model::Lab, false, 300, ColourClass::Other, 300},
    WrittenCase{"rgb300.jpg", Model::RGB, false, 300, ColourClass::RGB, 300},
    WrittenCase{"cmyk350.jpg", Model::CMYK, false, 350, ColourClass::CMYK, 350},
    WrittenCase{"grey72.jpg", Model::Grey, false, 72, ColourClass::Grayscale, 72},
    WrittenCase{"rgb300.png", Model::RGB, false, 300, ColourClass::RGB, 300},
    WrittenCase{"rgba16_150.png", Model::RGBA, true, 150, ColourClass::RGB, 150},
    WrittenCase{"grey_alpha.png", Model::GreyAlpha, false, 72, ColourClass::Grayscale, 72},
    WrittenCase{"rgb.webp", Model::RGB, false, 72, ColourClass::RGB, 72}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

// PNG chunks after the signature: length, type, data, CRC.
QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(data.size()), chunk.data());
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), body.size())), crc.data());
    return chunk + crc;
}

// The same PNG with its pHYs chunk replaced (or removed when `phys` is empty).
QByteArray withPhys(const QByteArray& png, const QByteArray& phys)
{
    QByteArray out = png.left(8);
    int at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = qFromBigEndian<quint32>(png.constData() + at);
        const QByteArray type = png.mid(at + 4, 4);
        const QByteArray whole = png.mid(at, 12 + static_cast<int>(length));
        if (type == "IDAT" && !phys.isEmpty() && !out.contains("pHYs"))
            out += pngChunk("pHYs", phys);
        if (type != "pHYs")
            out += whole;
        at += 12 + static_cast<int>(length);
    }
    return out;
}

QByteArray physData(quint32 x, quint32 y, char unit)
{
    QByteArray data(9, '\0');
    qToBigEndian<quint32>(x, data.data());
    qToBigEndian<quint32>(y, data.data() + 4);
    data[8] = unit;
    return data;
}

TEST_F(HeaderReader, PngResolutionPerMetreSnapsAndAnUnknownUnitCountsAsNone)
{
    const QString source = file(QStringLiteral("source.png"));
    ASSERT_TRUE(test::writeTestImage(source, {.width = 20, .height = 1000}));
    const QByteArray png = bytesOf(source);
    struct Case { QByteArray phys; int dpi; };
    const Case cases[] = {
        {physData(11811, 11811, 1), 300},
        {physData(5905, 5905, 1), 150},
        {physData(2835, 11811, 1), 300}, // the vertical one counts
        {physData(11811, 11811, 0), 72}, // unit unknown: an aspect ratio, no resolution
        {QByteArray(), 72},              // no pHYs at all
    };
    int i = 0;
    for (const Case& c : cases) {
        const QString path = file(QStringLiteral("case%1.png").arg(i++));
        writeBytes(path, withPhys(png, c.phys));
        EXPECT_EQ(dpiOf(path), c.dpi) << "case " << i - 1;
    }
}

// A little-endian EXIF block with the vertical and horizontal resolution and
// their unit (2 inch, 3 centimetre).
QByteArray exifBlock(quint32 numerator, quint32 denominator, quint16 unit)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);
    auto put16 = [&tiff](quint16 v) { QByteArray b(2, '\0'); qToLittleEndian(v, b.data()); tiff += b; };
    auto put32 = [&tiff](quint32 v) { QByteArray b(4, '\0'); qToLittleEndian(v, b.data()); tiff += b; };
    const quint32 rationals = 8 + 2 + 3 * 12 + 4;
    put16(3);
    put16(0x011A); put16(5); put32(1); put32(rationals);
    put16(0x011B); put16(5); put32(1); put32(rationals + 8);
    put16(0x0128); put16(3); put32(1); put16(unit); put16(0);
    put32(0);
    put32(numerator); put32(denominator);
    put32(numerator); put32(denominator);
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray segment(char marker, const QByteArray& data)
{
    QByteArray bytes("\xFF", 1);
    bytes += marker;
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(static_cast<quint16>(data.size() + 2), length.data());
    return bytes + length + data;
}

// A JPEG without metadata given a JFIF segment with this unit and density,
// followed by an EXIF block when given.
QByteArray jpegWith(const QByteArray& bare, char jfifUnit, quint16 density, const QByteArray& exif)
{
    QByteArray jfif("JFIF\0\x01\x01", 7);
    jfif += jfifUnit;
    QByteArray values(4, '\0');
    qToBigEndian<quint16>(density, values.data());
    qToBigEndian<quint16>(density, values.data() + 2);
    jfif += values + QByteArray(2, '\0');
    QByteArray out = bare.left(2) + segment('\xE0', jfif);
    if (!exif.isEmpty())
        out += segment('\xE1', exif);
    return out + bare.mid(2);
}

TEST_F(HeaderReader, JpegTakesJfifWhenItHasAUnitOtherwiseExif)
{
    const QString source = file(QStringLiteral("source.jpg"));
    // Stripped of metadata: the segments under test are added by hand.
    ASSERT_TRUE(test::writeTestImage(source + QStringLiteral("[strip]"), {.width = 16, .height = 600, .dpi = 72}));
    const QByteArray jpeg = bytesOf(source);
    struct Case { char unit; quint16 density; QByteArray exif; int dpi; };
    const Case cases[] = {
        {1, 300, exifBlock(150, 1, 2), 300},  // JFIF per inch wins over EXIF
        {2, 118, QByteArray(), 299},          // JFIF per cm: 299.72
        {0, 1, exifBlock(240, 1, 2), 240},    // JFIF unit 0: EXIF per inch
        {0, 1, exifBlock(11811, 100, 3), 300}, // EXIF per cm snaps: 299.9994
        {0, 1, QByteArray(), 72},             // nothing recorded
    };
    int i = 0;
    for (const Case& c : cases) {
        const QString path = file(QStringLiteral("case%1.jpg").arg(i++));
        writeBytes(path, jpegWith(jpeg, c.unit, c.density, c.exif));
        EXPECT_EQ(dpiOf(path), c.dpi) << "case " << i - 1;
        EXPECT_EQ(read(path).pixelsHigh, 600);
    }
}

TEST_F(HeaderReader, TiffWithoutResolutionIsSeventyTwoAndWithoutUnitPerInch)
{
    struct Case { bool resolution; int unit; int dpi; }; // unit 0: no tag
    const Case cases[] = {{false, 0, 72}, {true, 0, 200}, {true, RESUNIT_NONE, 72}, {true, RESUNIT_CENTIMETER, 508}};
    int i = 0;
    for (const Case& c : cases) {
        const QString path = file(QStringLiteral("case%1.tif").arg(i++));
        TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
        ASSERT_NE(tiff, nullptr);
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 4);
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 400);
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        if (c.resolution) {
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 200.0f);
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 200.0f);
        }
        if (c.unit)
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, c.unit);
        unsigned char row[4] = {};
        for (unsigned y = 0; y < 400; ++y)
            TIFFWriteScanline(tiff, row, y, 0);
        TIFFClose(tiff);
        EXPECT_EQ(dpiOf(path), c.dpi) << "case " << i - 1;
        EXPECT_EQ(classifyColourSpace(read(path).colourSpaceName), ColourClass::Grayscale);
    }
}

TEST_F(HeaderReader, WhatIsNotAnImageIsUnreadableAndNothingBlocks)
{
    const QString fifo = file(QStringLiteral("pipe.tif"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    writeBytes(file(QStringLiteral("empty.png")), QByteArray());
    writeBytes(file(QStringLiteral("text.jpg")), QByteArray("plain words, no picture"));
    QDir(dir.path()).mkdir(QStringLiteral("folder.tif"));

    const QString sources[] = {QStringLiteral("s.jpg"), QStringLiteral("s.png"), QStringLiteral("s.tif"), QStringLiteral("s.webp")};
    QStringList unreadable{fifo, file(QStringLiteral("empty.png")), file(QStringLiteral("text.jpg")),
                           file(QStringLiteral("folder.tif")), file(QStringLiteral("missing.png")),
                           QStringLiteral("/dev/zero"), QStringLiteral("/dev/null")};
    for (const QString& name : sources) {
        ASSERT_TRUE(test::writeTestImage(file(name), {.width = 64, .height = 64}));
        const QString cut = file(QStringLiteral("cut-") + name);
        writeBytes(cut, bytesOf(file(name)).left(12)); // inside the header
        unreadable << cut;
    }
    for (const QString& path : unreadable) {
        const ImageHeader h = read(path);
        EXPECT_FALSE(h.readable) << path.toStdString();
        EXPECT_EQ(h.pixelsHigh, 0);
        EXPECT_FALSE(h.colourSpaceName.has_value());
    }
}

TEST_F(HeaderReader, BitFlippedFilesNeverCrash)
{
    for (const QString& name : {QStringLiteral("f.jpg"), QStringLiteral("f.png"), QStringLiteral("f.tif"), QStringLiteral("f.webp")}) {
        ASSERT_TRUE(test::writeTestImage(file(name), {.width = 40, .height = 30, .model = Model::RGB}));
        const QByteArray original = bytesOf(file(name));
        for (int i = 0; i < 200; ++i) {
            QByteArray damaged = original;
            const int at = (i * 7919) % std::min<int>(damaged.size(), 400);
            damaged[at] = static_cast<char>(damaged[at] ^ (1 << (i % 8)));
            const QString path = file(QStringLiteral("damaged-") + name);
            writeBytes(path, damaged);
            const ImageHeader h = read(path);
            EXPECT_GE(h.pixelsHigh, 0);
            EXPECT_GE(h.pixelsWide, 0);
        }
    }
}

} // namespace
