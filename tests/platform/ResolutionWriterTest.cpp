// Setting the recorded resolution: every format and variant the writers
// know, checked by the program's own reader and by ExifTool, which must
// also find every other tag as it was.
#include "HandMadeImages.h"
#include "HeaderTestSupport.h"
#include "Jp2NetpbmFiles.h"
#include "PsdBmpFiles.h"

#include "platform/write/ResolutionWriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace quorvel::test {
namespace {

using platform::write::SetDpiJob;
using platform::write::SetDpiOutcome;
using platform::write::SetDpiRefusal;
using platform::write::WriteMode;

Bytes withSegment(Bytes jpeg, unsigned char marker, const Bytes& payload)
{
    Bytes segment {0xFF, marker, uint8_t((payload.size() + 2) >> 8), uint8_t(payload.size() + 2)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// Image resources holding a filler record and a resolution record at 72 dpi.
Bytes photoshopResources()
{
    Bytes r {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 3, 1, 2, 3, 0};
    const Bytes res {'8', 'B', 'I', 'M', 0x03, 0xED, 0, 0, 0, 0, 0, 16,
                     0, 72, 0, 0, 0, 1, 0, 2, 0, 72, 0, 0, 0, 1, 0, 2};
    r.insert(r.end(), res.begin(), res.end());
    return r;
}

Bytes app13()
{
    Bytes p {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
    const Bytes r = photoshopResources();
    p.insert(p.end(), r.begin(), r.end());
    return p;
}

Bytes jpegBytes(const JpegSpec& recipe)
{
    const std::string path = scratchPath("made.jpg");
    EXPECT_TRUE(writeJpeg(path, recipe));
    return readBytes(path);
}

Bytes fileBytes(const std::function<bool(const std::string&)>& write, const char* suffix)
{
    const std::string path = scratchPath(std::string("made") + suffix);
    EXPECT_TRUE(write(path));
    return readBytes(path);
}

ExifSpec exif72(bool bigEndian = false)
{
    ExifSpec e;
    e.xResolution = std::make_pair(72u, 1u);
    e.yResolution = std::make_pair(72u, 1u);
    e.unit = 2;
    e.bigEndian = bigEndian;
    return e;
}

JpegSpec jpeg(bool jfif, uint8_t unit, Bytes exif = {})
{
    JpegSpec s;
    s.jfif = jfif;
    s.jfifUnit = unit;
    s.xDensity = s.yDensity = unit ? 72 : 1;
    s.exif = std::move(exif);
    return s;
}

TiffSpec tiff(bool bigEndian, bool bigTiff, std::optional<float> dpi, std::optional<uint16_t> unit = 2)
{
    TiffSpec s;
    s.bigEndian = bigEndian;
    s.bigTiff = bigTiff;
    s.xResolution = dpi;
    s.yResolution = dpi;
    s.resolutionUnit = dpi ? unit : std::nullopt;
    s.secondPage = true;
    return s;
}

struct FormatCase {
    const char* name;
    const char* suffix;
    std::function<Bytes()> make;
    // ExifTool's tags (group:name) that must read the new resolution after.
    std::vector<const char*> resolutionTags;
    // Tags that may change besides them: units, added blocks.
    std::vector<const char*> mayChange;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

const std::vector<const char*> jfifTags {"JFIF:XResolution", "JFIF:YResolution"};
const std::vector<const char*> jfifChanges {"JFIF:ResolutionUnit", "JFIF:JFIFVersion"};
const std::vector<const char*> exifTags {"IFD0:XResolution", "IFD0:YResolution"};
const std::vector<const char*> jp2Changes {"Jpeg2000:DisplayXResolution", "Jpeg2000:DisplayYResolution", "Jpeg2000:DisplayXResolutionUnit",
      "Jpeg2000:DisplayYResolutionUnit", "Jpeg2000:CaptureXResolution", "Jpeg2000:CaptureYResolution",
      "Jpeg2000:CaptureXResolutionUnit", "Jpeg2000:CaptureYResolutionUnit"};
const std::vector<const char*> psTags {"Photoshop:XResolution", "Photoshop:YResolution"};

std::vector<const char*> plus(std::vector<const char*> a, const std::vector<const char*>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A simple WebP file of 20 x 13 made extended: a VP8X chunk with no flags
// ahead of its image chunk.
Bytes extendedWebpWithoutExif()
{
    Bytes b = fileBytes([](const std::string& p) { return writeWebp(p, 20, 13); }, ".webp");
    const Bytes vp8x {'V', 'P', '8', 'X', 10, 0, 0, 0, 0, 0, 0, 0, 19, 0, 0, 12, 0, 0};
    b.insert(b.begin() + 12, vp8x.begin(), vp8x.end());
    const uint32_t riff = uint32_t(b.size() - 8);
    for (int i = 0; i < 4; ++i)
        b[size_t(4 + i)] = uint8_t(riff >> (8 * i));
    return b;
}

const FormatCase formatCases[] = {
    {"JpegJfifOnly", ".jpg", [] { return jpegBytes(jpeg(true, 1)); }, jfifTags, jfifChanges},
    {"JpegJfifAspectOnly", ".jpg", [] { return jpegBytes(jpeg(true, 0)); }, jfifTags, jfifChanges},
    {"JpegExifOnly", ".jpg", [] { return jpegBytes(jpeg(false, 0, exifBlock(exif72()))); }, exifTags, {}},
    {"JpegExifBigEndianCm", ".jpg",
     [] {
         ExifSpec e = exif72(true);
         e.unit = 3;
         return jpegBytes(jpeg(false, 0, exifBlock(e)));
     },
     exifTags, {"IFD0:ResolutionUnit"}},
    {"JpegJfifAndExif", ".jpg", [] { return jpegBytes(jpeg(true, 1, exifBlock(exif72()))); },
     plus(jfifTags, exifTags), jfifChanges},
    {"JpegExifWithoutResolution", ".jpg",
     [] {
         ExifSpec e;
         e.unit = 2;
         return jpegBytes(jpeg(false, 0, exifBlock(e)));
     },
     jfifTags, plus(jfifChanges, {"JFIF:YCbCrSubSampling", "File:YCbCrSubSampling"})},
    {"JpegPhotoshopRecord", ".jpg", [] { return withSegment(jpegBytes(jpeg(true, 1)), 0xED, app13()); },
     plus(jfifTags, psTags), plus(jfifChanges, {"Photoshop:DisplayedUnitsX", "Photoshop:DisplayedUnitsY"})},
    {"JpegNone", ".jpg", [] { return jpegBytes(jpeg(false, 0)); }, jfifTags,
     plus(jfifChanges, {"JFIF:YCbCrSubSampling", "File:YCbCrSubSampling"})},
    {"PngWithPhys", ".png",
     [] {
         PngSpec s;
         s.phys = PngSpec::Phys {2835, 2835, 1};
         return fileBytes([s](const std::string& p) { return writePng(p, s); }, ".png");
     },
     {}, {"PNG-pHYs:PixelsPerUnitX", "PNG-pHYs:PixelsPerUnitY", "PNG-pHYs:PixelUnits"}},
    {"PngWithoutPhys", ".png",
     [] {
         PngSpec s;
         s.privateChunkBytes = 10;
         return fileBytes([s](const std::string& p) { return writePng(p, s); }, ".png");
     },
     {}, {"PNG-pHYs:PixelsPerUnitX", "PNG-pHYs:PixelsPerUnitY", "PNG-pHYs:PixelUnits"}},
    {"TiffLittleInPlace", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(false, false, 72.0f)); }, ".tif"); },
     exifTags, {}},
    {"TiffBigEndianCentimetres", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(true, false, 28.35f, 3)); }, ".tif"); },
     exifTags, {"IFD0:ResolutionUnit"}},
    {"TiffMoved", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(false, false, std::nullopt)); }, ".tif"); },
     exifTags, {"IFD0:ResolutionUnit"}},
    {"TiffBigEndianMoved", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(true, false, std::nullopt)); }, ".tif"); },
     exifTags, {"IFD0:ResolutionUnit"}},
    {"BigTiffInPlace", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(false, true, 72.0f)); }, ".tif"); },
     exifTags, {}},
    {"BigTiffBigEndianMoved", ".tif",
     [] { return fileBytes([](const std::string& p) { return writeTiff(p, tiff(true, true, std::nullopt)); }, ".tif"); },
     exifTags, {"IFD0:ResolutionUnit"}},
    {"TiffPhotoshopRecord", ".tif",
     [] {
         TiffSpec s = tiff(false, false, 72.0f);
         s.photoshopResources = photoshopResources();
         return fileBytes([s](const std::string& p) { return writeTiff(p, s); }, ".tif");
     },
     plus(exifTags, psTags), {"Photoshop:DisplayedUnitsX", "Photoshop:DisplayedUnitsY"}},
    {"PsdWithRecord", ".psd",
     [] {
         PsdRecipe r;
         r.resolution = PsdRecipe::Resolution {72, 72, 1};
         r.fillerResources = 2;
         r.fillerBytes = 33;
         return psdBytes(r);
     },
     psTags, {"Photoshop:DisplayedUnitsX", "Photoshop:DisplayedUnitsY"}},
    {"PsdWithoutRecord", ".psd", [] { return psdBytes(PsdRecipe {}); }, psTags,
     {"Photoshop:DisplayedUnitsX", "Photoshop:DisplayedUnitsY"}},
    {"PsbWithRecord", ".psb",
     [] {
         PsdRecipe r;
         r.version = 2;
         r.resolution = PsdRecipe::Resolution {72, 72, 2};
         return psdBytes(r);
     },
     psTags, {"Photoshop:DisplayedUnitsX", "Photoshop:DisplayedUnitsY"}},
    {"BmpInfoHeader", ".bmp",
     [] {
         BmpRecipe r;
         r.xPerMetre = r.yPerMetre = 2835;
         return bmpBytes(r);
     },
     {}, {"File:PixelsPerMeterX", "File:PixelsPerMeterY"}},
    {"BmpV5", ".bmp",
     [] {
         BmpRecipe r;
         r.headerSize = 124;
         return bmpBytes(r);
     },
     {}, {"File:PixelsPerMeterX", "File:PixelsPerMeterY"}},
    {"Jp2WithDisplayResolution", ".jp2",
     [] {
         Jp2Recipe r;
         r.display = Jp2Recipe::Resolution {2835, 1, 2835, 1, 0, 0};
         return jp2Bytes(r);
     },
     {}, jp2Changes},
    {"Jp2WithCaptureOnly", ".jp2",
     [] {
         Jp2Recipe r;
         r.capture = Jp2Recipe::Resolution {2835, 1, 2835, 1, 0, 0};
         r.extendedLengths = true;
         return jp2Bytes(r);
     },
     {}, jp2Changes},
    {"Jp2WithoutResolution", ".jp2", [] { return jp2Bytes(Jp2Recipe {}); }, {}, jp2Changes},
    {"Jp2ExtendedLengthsWithoutResolution", ".jp2",
     [] {
         Jp2Recipe r;
         r.extendedLengths = true;
         r.codestreamRunsToEnd = false;
         return jp2Bytes(r);
     },
     {}, jp2Changes},
    {"WebpExtendedWithoutExif", ".webp", [] { return extendedWebpWithoutExif(); }, exifTags,
     {"IFD0:ResolutionUnit", "File:ExifByteOrder", "RIFF:WebP_Flags"}},
    {"WebpExtendedWithExif", ".webp",
     [] { return fileBytes([](const std::string& p) { return writeWebp(p, 20, 13, exifBlock(exif72())); }, ".webp"); },
     exifTags, {"RIFF:ExifByteOrder", "File:FileSize"}},
    {"WebpExifWithoutResolution", ".webp",
     [] {
         ExifSpec e;
         e.unit = 3;
         return fileBytes([e](const std::string& p) { return writeWebp(p, 20, 13, exifBlock(e)); }, ".webp");
     },
     exifTags, {"IFD0:ResolutionUnit"}},
};

// ExifTool's reading of some files, one object per file, in order.
QJsonArray exiftool(const QStringList& files)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (program.isEmpty())
        return {};
    QProcess process;
    process.start(program, QStringList {QStringLiteral("-j"), QStringLiteral("-n"), QStringLiteral("-G1"),
                                        QStringLiteral("-a"), QStringLiteral("-u"), QStringLiteral("-all"), QStringLiteral("-validate")}
                               + files);
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).array();
}

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, ReadsBackTheAskedResolutionAndNothingElseChanges)
{
    const FormatCase& c = GetParam();
    const std::string original = scratchPath(std::string(c.name) + c.suffix);
    const Bytes before = c.make();
    ASSERT_FALSE(before.empty());
    ASSERT_TRUE(writeBytes(original, before));
    const ImageHeader headerBefore = readHeaderOf(original);
    ASSERT_TRUE(headerBefore.readable);

    for (int dpi : {300, 1, 65535}) {
        SetDpiJob job;
        job.path = original;
        job.dpi = dpi;
        job.outputFolder = scratchPath(std::string(c.name) + std::to_string(dpi));
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(job.outputFolder)));
        const SetDpiOutcome out = platform::write::setRecordedResolution(job, platform::ImageFileReader());
        ASSERT_TRUE(out.ok()) << platform::write::refusalText(out).toStdString();
        EXPECT_EQ(readBytes(original), before) << "the original is untouched";

        const ImageHeader after = readHeaderOf(out.writtenPath);
        ASSERT_TRUE(after.verticalDpi.has_value());
        EXPECT_DOUBLE_EQ(*after.verticalDpi, dpi);
        EXPECT_EQ(after.pixelsWide, headerBefore.pixelsWide);
        EXPECT_EQ(after.pixelsHigh, headerBefore.pixelsHigh);
        EXPECT_EQ(after.colourSpaceName, headerBefore.colourSpaceName);
        if (dpi != 300)
            continue;

        // Written again from the copy: the same bytes, nothing grows twice.
        SetDpiJob again = job;
        again.path = out.writtenPath;
        again.mode = WriteMode::InPlace;
        ASSERT_TRUE(platform::write::setRecordedResolution(again, platform::ImageFileReader()).ok());
        const Bytes once = readBytes(out.writtenPath);
        ASSERT_TRUE(platform::write::setRecordedResolution(again, platform::ImageFileReader()).ok());
        EXPECT_EQ(readBytes(out.writtenPath), once);

        const QJsonArray tool = exiftool({QString::fromStdString(original), QString::fromStdString(out.writtenPath)});
        ASSERT_EQ(tool.size(), 2) << "ExifTool must be installed (scripts/install-deps.sh)";
        QJsonObject old = tool[0].toObject(), now = tool[1].toObject();
        for (const char* tag : c.resolutionTags)
            EXPECT_EQ(now.value(QLatin1String(tag)).toDouble(), dpi) << tag;
        if (std::string_view(c.suffix) == ".png") {
            EXPECT_EQ(now.value(QStringLiteral("PNG-pHYs:PixelsPerUnitX")).toInt(), 11811);
            EXPECT_EQ(now.value(QStringLiteral("PNG-pHYs:PixelUnits")).toInt(), 1);
        }
        if (std::string_view(c.suffix) == ".jp2") { // grid points per metre: value * 10^unit
            for (const char* axis : {"X", "Y"}) {
                const QString name = QStringLiteral("Jpeg2000:Display%1Resolution").arg(QLatin1String(axis));
                const double perMetre = now.value(name).toDouble() * std::pow(10.0, now.value(name + QStringLiteral("Unit")).toDouble());
                EXPECT_NEAR(perMetre * 0.0254, dpi, 0.001) << axis;
            }
        }
        if (std::string_view(c.suffix) == ".bmp") {
            EXPECT_EQ(now.value(QStringLiteral("File:PixelsPerMeterY")).toInt(), 11811);
        }
        QSet<QString> skip;
        for (const char* tag : c.resolutionTags)
            skip.insert(QLatin1String(tag));
        for (const char* tag : c.mayChange)
            skip.insert(QLatin1String(tag));
        // ExifTool's validation: no new error or warning (a missing
        // resolution it complained of may go).
        const QStringList validNow = now.value(QStringLiteral("ExifTool:Validate")).toString().split(u' ');
        const QStringList validOld = old.value(QStringLiteral("ExifTool:Validate")).toString().split(u' ');
        ASSERT_EQ(validNow.size(), 3);
        ASSERT_EQ(validOld.size(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_LE(validNow[i].toInt(), validOld[i].toInt()) << "validation " << i;
        if (now.contains(QStringLiteral("ExifTool:Warning"))) {
            EXPECT_EQ(now.value(QStringLiteral("ExifTool:Warning")), old.value(QStringLiteral("ExifTool:Warning")));
        }
        skip << QStringLiteral("ExifTool:Validate") << QStringLiteral("ExifTool:Warning");
        for (const QString& key : now.keys()) {
            if (key.startsWith(QLatin1String("System:")) || key == QLatin1String("SourceFile")
                || key.startsWith(QLatin1String("Composite:")) || key == QLatin1String("File:FileName")
                || skip.contains(key))
                continue;
            EXPECT_EQ(now.value(key), old.value(key))
                << key.toStdString() << ": " << now.value(key).toVariant().toString().toStdString() << " was "
                << old.value(key).toVariant().toString().toStdString();
        }
        for (const QString& key : old.keys())
            EXPECT_TRUE(now.contains(key) || key.startsWith(QLatin1String("System:")) || skip.contains(key))
                << "lost " << key.toStdString() << ": " << old.value(key).toVariant().toString().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, ::testing::ValuesIn(formatCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The scan data of a JPEG is copied byte for byte.
TEST(SetResolution, JpegScanDataIsCopiedAsItIs)
{
    const std::string original = scratchPath("scan.jpg");
    ASSERT_TRUE(writeBytes(original, jpegBytes(jpeg(false, 0))));
    SetDpiJob job;
    job.path = original;
    job.outputFolder = scratchPath("scan");
    QDir().mkpath(QString::fromStdString(job.outputFolder));
    const SetDpiOutcome out = platform::write::setRecordedResolution(job, platform::ImageFileReader());
    ASSERT_TRUE(out.ok());
    const Bytes a = readBytes(original), b = readBytes(out.writtenPath);
    auto scan = [](const Bytes& bytes) {
        for (size_t i = 0; i + 1 < bytes.size(); ++i)
            if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
                return Bytes(bytes.begin() + long(i), bytes.end());
        return Bytes {};
    };
    ASSERT_FALSE(scan(a).empty());
    EXPECT_EQ(scan(a), scan(b));
    EXPECT_EQ(b.size(), a.size() + 18) << "one JFIF segment, nothing else";
}

struct RefusedCase {
    const char* name;
    std::function<Bytes()> make;
    SetDpiRefusal why;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

Bytes cut(Bytes b, size_t keep)
{
    b.resize(std::min(keep, b.size()));
    return b;
}

Bytes poked(Bytes b, size_t at, std::initializer_list<unsigned char> values)
{
    for (unsigned char v : values) {
        if (at < b.size())
            b[at++] = v;
    }
    return b;
}

// The offset of the first occurrence of `needle`.
size_t find(const Bytes& b, std::initializer_list<unsigned char> needle)
{
    const Bytes n(needle);
    return size_t(std::search(b.begin(), b.end(), n.begin(), n.end()) - b.begin());
}

const RefusedCase refusedCases[] = {
    {"Gif", [] { return gifBytes(20, 13); }, SetDpiRefusal::NoResolutionField},
    {"UnknownBytes", [] { return Bytes(64, 'x'); }, SetDpiRefusal::NoResolutionField},
    {"SimpleWebp", [] { return fileBytes([](const std::string& p) { return writeWebp(p, 20, 13); }, ".webp"); },
     SetDpiRefusal::WebpWithoutExif},
    {"BmpCoreHeader",
     [] {
         BmpRecipe r;
         r.headerSize = 12;
         return bmpBytes(r);
     },
     SetDpiRefusal::HeaderWithoutField},
    {"JpegCutInItsHeader", [] { return cut(jpegBytes(jpeg(true, 1)), 40); }, SetDpiRefusal::Damaged},
    {"JpegSegmentPastTheEnd", [] { return poked(jpegBytes(jpeg(true, 1)), 4, {0xFF, 0xF0}); }, SetDpiRefusal::Damaged},
    {"JpegExifResolutionOutsideTheBlock",
     [] {
         Bytes b = jpegBytes(jpeg(false, 0, exifBlock(exif72())));
         // XResolution's entry: tag 282 (little endian), then its offset points far away.
         const size_t entry = find(b, {0x1A, 0x01, 0x05, 0x00});
         return poked(b, entry + 8, {0xF0, 0xFF, 0x00, 0x00});
     },
     SetDpiRefusal::Damaged},
    {"JpegExifResolutionOverItsDirectory",
     [] {
         Bytes b = jpegBytes(jpeg(false, 0, exifBlock(exif72())));
         const size_t entry = find(b, {0x1A, 0x01, 0x05, 0x00});
         return poked(b, entry + 8, {0x0A, 0x00, 0x00, 0x00});
     },
     SetDpiRefusal::Damaged},
    {"TiffDirectoryPastTheEnd",
     [] {
         return poked(fileBytes([](const std::string& p) { return writeTiff(p, tiff(false, false, 72.0f)); }, ".tif"),
                      4, {0xFF, 0xFF, 0xFF, 0x7F});
     },
     SetDpiRefusal::Damaged},
    {"TiffCutInItsDirectory",
     [] {
         Bytes b = fileBytes([](const std::string& p) { return writeTiff(p, tiff(false, false, 72.0f)); }, ".tif");
         const uint32_t ifd = uint32_t(b[4] | b[5] << 8 | b[6] << 16 | b[7] << 24);
         return cut(b, ifd + 20);
     },
     SetDpiRefusal::Damaged},
    {"PngChunkPastTheEnd",
     [] { return poked(fileBytes([](const std::string& p) { return writePng(p, PngSpec {}); }, ".png"), 33, {0x7F}); },
     SetDpiRefusal::Damaged},
    {"PngWithoutImageData", [] { return cut(fileBytes([](const std::string& p) { return writePng(p, PngSpec {}); }, ".png"), 33); },
     SetDpiRefusal::Damaged},
    {"PsdResourcesPastTheEnd",
     [] {
         PsdRecipe r;
         return poked(psdBytes(r), 30, {0x7F, 0xFF});
     },
     SetDpiRefusal::Damaged},
    {"PsdBrokenResourceWithoutRecord",
     [] {
         PsdRecipe r;
         r.fillerResources = 1;
         r.fillerBytes = 10;
         return poked(psdBytes(r), 34, {'X'});
     },
     SetDpiRefusal::Damaged},
    {"Jpeg2000Codestream", [] { return jp2Bytes(Jp2Recipe {}, true); }, SetDpiRefusal::NoResolutionField},
    {"Jp2BoxPastTheEnd",
     [] {
         Bytes b = jp2Bytes(Jp2Recipe {});
         return poked(b, find(b, {'j', 'p', '2', 'h'}) - 4, {0x7F, 0xFF, 0xFF, 0xFF});
     },
     SetDpiRefusal::Damaged},
    {"Jp2WithFragmentTable",
     [] {
         Bytes b = jp2Bytes(Jp2Recipe {});
         const Bytes table = jp2Box("ftbl", jp2Box("flst", Bytes(14, 0)));
         b.insert(b.begin() + long(find(b, {'j', 'p', '2', 'h'}) - 4), table.begin(), table.end());
         return b;
     },
     SetDpiRefusal::RefersToPositions},
    {"WebpChunkPastTheEnd",
     [] {
         Bytes b = fileBytes([](const std::string& p) { return writeWebp(p, 20, 13, exifBlock(exif72())); }, ".webp");
         return poked(b, 16, {0xFF, 0xFF, 0xFF, 0x00});
     },
     SetDpiRefusal::Damaged},
};

class RefusalTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusalTest, RefusesWithItsReasonAndWritesNothing)
{
    const RefusedCase& c = GetParam();
    const Bytes bytes = c.make();
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(platform::write::planResolution(bytes.data(), bytes.size(), 300).refusal, c.why);

    const QString folder = QString::fromStdString(scratchPath(std::string("refused-") + c.name));
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string path = (folder + QStringLiteral("/file.img")).toStdString();
    ASSERT_TRUE(writeBytes(path, bytes));
    SetDpiJob job;
    job.path = path;
    const SetDpiOutcome out = platform::write::setRecordedResolution(job, platform::ImageFileReader());
    EXPECT_FALSE(out.ok());
    EXPECT_FALSE(platform::write::refusalText(out).isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList {QStringLiteral("file.img")});
    EXPECT_EQ(readBytes(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusalTest, ::testing::ValuesIn(refusedCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SetResolution, DpiToCoverAPrint)
{
    struct Case {
        int64_t wide, high;
        double w, h;
        std::optional<int> dpi;
    };
    const Case cases[] = {
        {3600, 2400, 12, 8, 300},
        {3600, 2400, 8, 12, 300},                     // the print turned to suit the photo
        {3600, 2400, 304.8 / 25.4, 203.2 / 25.4, 300}, // 304.8 x 203.2 mm
        {3601, 2400, 12, 8, 300},                      // rounded down: every side covered
        {3000, 2400, 12, 8, 250},                      // the narrower side decides
        {10, 10, 100, 100, 1},                         // never below 1
        {3600, 2400, 0, 8, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::write::dpiToCover(c.wide, c.high, c.w, c.h), c.dpi) << c.wide << "x" << c.high;
    EXPECT_EQ(platform::write::copyNameFor("photo.jpg", 300), "photo (300 dpi).jpg");
    EXPECT_EQ(platform::write::copyNameFor("a.b.tif", 72), "a.b (72 dpi).tif");
    EXPECT_EQ(platform::write::copyNameFor("README", 300), "README (300 dpi)");
    EXPECT_EQ(platform::write::copyNameFor(".hidden", 300), ".hidden (300 dpi)");
}

} // namespace
} // namespace quorvel::test
