#include "platform/header/ImageFileReader.h"
#include "report/ReportText.h"
#include "support/TestImages.h"
#include "support/TraceRecorder.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::test {
namespace {

const QDateTime kDate(QDate(2026, 3, 14), QTime(9, 5, 7));
const QString kHost = QStringLiteral("www.example.org");

// Real image files shared by every case: writing a 2400 x 3600 TIFF per test
// would cost more than the tests themselves.
class ReportImages : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(dir->isValid());
        // Compressed, so the big uniform TIFF stays small on disk.
        write(QStringLiteral("cover.tif[compression=deflate]"), {2400, 3600, Model::CMYK, 360.0});
        write(QStringLiteral("web.jpg"), {800, 600, Model::RGB, 72.0});
        write(QStringLiteral("rgb300.tif"), {40, 30, Model::RGB, 300.0});
        write(QStringLiteral("grey.tif"), {20, 10, Model::Grey, 72.0});
        write(QStringLiteral("lab.tif"), {50, 50, Model::Lab, 300.0});
        write(QStringLiteral("50% off – Ünïcödé %1 %d.tif"), {10, 20, Model::RGB, 72.0});
        QFile broken(path(QStringLiteral("broken.jpg")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("not an image at all");
    }
    static void TearDownTestSuite() { dir.reset(); }

    static void write(const QString& name, const ImageSpecForTest& recipe)
    {
        ASSERT_TRUE(writeTestImage(dir->filePath(name), recipe)) << name.toStdString();
    }
    static QString path(const QString& name) { return dir->filePath(name); }
    static QStringList paths(const QStringList& names)
    {
        QStringList all;
        for (const QString& name : names)
            all << path(name);
        return all;
    }
    // "{D}" stands for the folder of the images.
    static QString inDir(QString text) { return text.replace(QStringLiteral("{D}"), dir->path()); }

    static ReportInputs inputs(const QStringList& names, const ReportOptions& options, const RuleControls& rules,
                               const QString& title = QStringLiteral("Pre-Press"))
    {
        return ReportInputs{paths(names), options, ReportControls{rules, 1, title}, kDate, kHost};
    }
    static ReportResult report(const ReportInputs& in) { return buildReport(in, measureAll(in.files, reader)); }

    static std::unique_ptr<QTemporaryDir> dir;
    static platform::ImageFileReader reader;
};
std::unique_ptr<QTemporaryDir> ReportImages::dir;
platform::ImageFileReader ReportImages::reader;

constexpr ReportOptions kAll{1, 1, 1, 1, 1, 1, 1};
constexpr RuleControls kPrePress{0, true, 300};

QString header(const QString& title, int count)
{
    return QStringLiteral("Created with Quorvel 1.4\n") + kHost
        + QStringLiteral("\n2026/03/14 - 09:05:07\n\nSelected Setting: %1\n\nChecking (%2) files:\n\n================\n")
              .arg(title, QString::number(count));
}

QString footer(int correct, int error)
{
    return QStringLiteral("\nCorrect: %1\nError: %2").arg(correct).arg(error);
}

struct WholeFileCase {
    const char* name;
    QStringList files;
    ReportOptions options;
    RuleControls rules;
    QString title;
    QString entries; // between the header and the footer
    int correct;
    int error;
};

class WholeFile : public ReportImages, public ::testing::WithParamInterface<WholeFileCase> {};

TEST_P(WholeFile, MatchesByteForByte)
{
    const WholeFileCase c = GetParam();
    const ReportResult result = report(inputs(c.files, c.options, c.rules, c.title));
    const QString expected = header(c.title, static_cast<int>(c.files.size())) + inDir(c.entries)
        + footer(c.correct, c.error);
    EXPECT_EQ(result.text.toStdString(), expected.toStdString());
    EXPECT_EQ(result.correct, c.correct);
    EXPECT_EQ(result.error, c.error);
}

const QStringList kWorked{QStringLiteral("cover.tif"), QStringLiteral("web.jpg")};

INSTANTIATE_TEST_SUITE_P(, WholeFile, ::testing::Values(
    WholeFileCase{"AllSevenBoxes", kWorked, kAll, kPrePress, QStringLiteral("Pre-Press"),
        QStringLiteral("{D}/cover.tif\nName: cover.tif\nHeight: 3600\nWidth: 2400\nColor: CMYK\nDpi: 360\n"
                       "================\n"
                       "{D}/web.jpg\nName: web.jpg\nHeight: 600\nWidth: 800\nColor: RGB \t *\nDpi: 72 \t * \n"
                       "================\n"), 1, 1},
    WholeFileCase{"WrongNameDpi", kWorked, {0, 1, 0, 1, 0, 0, 1}, kPrePress, QStringLiteral("Pre-Press"),
        QStringLiteral("Name: web.jpg\nDpi: 72 \t * \n================\n"), 1, 1},
    WholeFileCase{"OkAndWrongOff", kWorked, {0, 0, 1, 1, 1, 1, 1}, kPrePress, QStringLiteral("Pre-Press"),
        QString(), 1, 1},
    WholeFileCase{"NameWithoutPathNothingJudged", kWorked, {1, 1, 0, 1, 0, 0, 0}, kPrePress, QStringLiteral("Pre-Press"),
        QStringLiteral("Name: cover.tif\n================\nName: web.jpg\n================\n"), 2, 0},
    WholeFileCase{"NoFieldsOkOnly", kWorked, {1, 0, 0, 0, 0, 0, 0}, kPrePress, QStringLiteral("Pre-Press"),
        QStringLiteral("================\n================\n"), 2, 0},
    WholeFileCase{"ColourJudgedDpiNot", kWorked, {1, 0, 0, 1, 0, 1, 0}, kPrePress, QStringLiteral("Pre-Press"),
        QStringLiteral("Name: cover.tif\nColor: CMYK\n================\n"), 1, 1},
    WholeFileCase{"DisabledColourChoiceNeverFailsColour", kWorked, {0, 1, 0, 1, 0, 1, 1}, {0, false, 300},
        QStringLiteral("None"), QStringLiteral("Name: web.jpg\nColor: RGB\nDpi: 72 \t * \n================\n"), 1, 1},
    WholeFileCase{"BatchOfOneSliderAt75", {QStringLiteral("web.jpg")}, kAll, {1, true, 75}, QStringLiteral("Web"),
        QStringLiteral("{D}/web.jpg\nName: web.jpg\nHeight: 600\nWidth: 800\nColor: RGB\nDpi: 72\n================\n"),
        1, 0},
    WholeFileCase{"GreyFailsAgainstRgb", {QStringLiteral("grey.tif")}, {0, 1, 0, 1, 0, 1, 0}, {1, true, 72},
        QStringLiteral("Web"), QStringLiteral("Name: grey.tif\nColor: Grayscale \t *\n================\n"), 0, 1},
    WholeFileCase{"OtherNeverFailsOnColour", {QStringLiteral("lab.tif")}, {1, 1, 0, 1, 0, 1, 1}, {2, true, 300},
        QStringLiteral("Pre-Press"), QStringLiteral("Name: lab.tif\nColor: Other\nDpi: 300\n================\n"), 1, 0},
    WholeFileCase{"UnreadableFiles", {QStringLiteral("broken.jpg"), QStringLiteral("missing.png")}, kAll, kPrePress,
        QStringLiteral("Pre-Press"),
        QStringLiteral("{D}/broken.jpg\nName: broken.jpg\nHeight: 0\nWidth: 0\nColor: Other\nDpi: -2147483648 \t * \n"
                       "================\n"
                       "{D}/missing.png\nName: missing.png\nHeight: 0\nWidth: 0\nColor: Other\nDpi: -2147483648 \t * \n"
                       "================\n"), 0, 2},
    WholeFileCase{"PercentSignsAndNonAsciiVerbatim", {QStringLiteral("50% off – Ünïcödé %1 %d.tif")},
        {1, 1, 1, 1, 1, 0, 0}, kPrePress, QStringLiteral("Druck 100% %1 – Ä"),
        QStringLiteral("{D}/50% off – Ünïcödé %1 %d.tif\nName: 50% off – Ünïcödé %1 %d.tif\nHeight: 20\nWidth: 10\n"
                       "================\n"), 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportImages, FailingPrintDemandsFollowTheImageIndentedAndTheHeaderNamesThem)
{
    struct Case {
        const char* name;
        const char* trim;
        double bleed;
        bool noTransparency;
        QString checks;  // the header's line
        QString entries; // between the header and the footer
        int correct;
        int error;
    };
    const QString cover = QStringLiteral("{D}/cover.tif\nName: cover.tif\nHeight: 3600\nWidth: 2400\nColor: CMYK\nDpi: 360\n");
    const Case cases[] = {
        {"A4 with bleed", "A4", 3.0, true, QStringLiteral("A4 + 3 mm bleed, no transparency"),
         cover + QStringLiteral("\tprint size: needs 2552 x 3579 px for A4 + 3 mm bleed at 300 dpi, has 2400 x 3600\n"
                                "================\n"), 0, 1},
        {"custom size", "210x310mm", 0.0, false, QStringLiteral("210 x 310 mm"),
         cover + QStringLiteral("\tprint size: needs 2481 x 3662 px for 210 x 310 mm at 300 dpi, has 2400 x 3600\n"
                                "================\n"), 0, 1},
        {"A5 passes", "A5", 0.0, true, QStringLiteral("A5, no transparency"),
         cover + QStringLiteral("================\n"), 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RuleControls rules = kPrePress;
        rules.demands.trim = parseTrimSize(c.trim);
        rules.demands.bleedMm = c.bleed;
        rules.demands.noTransparency = c.noTransparency;
        const ReportInputs in = inputs({QStringLiteral("cover.tif")}, kAll, rules);
        const ReportResult result = buildReport(in, measureAll(in.files, reader, nullptr, demandsNeedDetails(rules.demands)));
        QString expected = header(QStringLiteral("Pre-Press"), 1);
        expected.replace(QStringLiteral("\n\nChecking"), QStringLiteral("\n\nPrint checks: %1\n\nChecking").arg(c.checks));
        expected += inDir(c.entries) + footer(c.correct, c.error);
        EXPECT_EQ(result.text.toStdString(), expected.toStdString());
        EXPECT_EQ(result.error, c.error);
    }
}

TEST_F(ReportImages, NoCurrentFileGivesHeaderAndFooterOnly)
{
    TraceRecorder traces;
    const ReportResult result = buildReport(inputs({}, kAll, kPrePress), {});
    EXPECT_EQ(result.text, header(QStringLiteral("Pre-Press"), 0) + footer(0, 0));
    EXPECT_TRUE(traces.lines().isEmpty());
}

TEST_F(ReportImages, TracesEveryImageInBatchOrder)
{
    TraceRecorder traces;
    report(inputs(kWorked + QStringList{QStringLiteral("lab.tif")}, kAll, kPrePress));
    const QStringList expected{
        QStringLiteral("Totale file da censire: 3"),
        QStringLiteral("Immagine n. 1"),
        inDir(QStringLiteral("Path del file: {D}/cover.tif\n")),
        QStringLiteral("Nome del file: cover.tif\n"),
        QStringLiteral("Height: 3600\n x Width: 2400\n"),
        QStringLiteral("CMYK\n"),
        QStringLiteral(" 360"),
        QStringLiteral("Ok dpi: 360 (su 300)"),
        QStringLiteral("Immagine n. 2"),
        inDir(QStringLiteral("Path del file: {D}/web.jpg\n")),
        QStringLiteral("Nome del file: web.jpg\n"),
        QStringLiteral("Height: 600\n x Width: 800\n"),
        QStringLiteral("RGB \t *\n"),
        QStringLiteral("Red dpi: 72 (su 300)"),
        QStringLiteral("Immagine n. 3"),
        inDir(QStringLiteral("Path del file: {D}/lab.tif\n")),
        QStringLiteral("Nome del file: lab.tif\n"),
        QStringLiteral("Height: 50\n x Width: 50\n"),
        // class Other: no colour trace
        QStringLiteral(" 300"),
        QStringLiteral("Ok dpi: 300 (su 300)"),
    };
    EXPECT_EQ(traces.lines(), expected);
}

TEST_F(ReportImages, SliderAt75IsTracedAs75)
{
    TraceRecorder traces;
    report(inputs({QStringLiteral("web.jpg")}, {1, 1, 0, 0, 0, 0, 1}, {1, true, 75}));
    EXPECT_TRUE(traces.containsInOrder({QStringLiteral("  72"), QStringLiteral("Ok dpi: 72 (su 75)")}))
        << traces.lines().join(QLatin1Char('|')).toStdString();
}

TEST_F(ReportImages, ParallelMeasuringGivesTheOneByOneText)
{
    const QStringList kinds{QStringLiteral("web.jpg"), QStringLiteral("rgb300.tif"), QStringLiteral("grey.tif"),
                            QStringLiteral("lab.tif"), QStringLiteral("broken.jpg"), QStringLiteral("missing.png")};
    QStringList names;
    for (int i = 0; i < 60; ++i)
        names << kinds.at((i * 7) % kinds.size());
    const ReportInputs in = inputs(names, kAll, kPrePress);

    QList<ImageRecord> oneByOne;
    for (const QString& file : in.files)
        oneByOne << measureFile(file, reader);
    const QList<ImageRecord> parallel = measureAll(in.files, reader);

    TraceRecorder traces;
    const QString expected = buildReport(in, oneByOne).text;
    const QStringList expectedTraces = traces.lines();
    traces.clear();
    EXPECT_EQ(buildReport(in, parallel).text, expected);
    EXPECT_EQ(traces.lines(), expectedTraces);
}

// Every combination of the seven boxes, over a batch with one image of each
// kind of verdict.
class EveryCombination : public ReportImages, public ::testing::WithParamInterface<int> {};

TEST_P(EveryCombination, CountsEveryImageOnceAndListsByTheInclusionTable)
{
    const int bits = GetParam();
    const auto box = [bits](int i) { return (bits >> i) & 1; };
    const ReportOptions options{box(0), box(1), box(2), box(3), box(4), box(5), box(6)};
    struct Image { const char* name; bool failsColour; bool failsDpi; };
    const Image batch[] = {
        {"cover.tif", false, false},
        {"web.jpg", true, true},
        {"rgb300.tif", true, false},
        {"lab.tif", false, false},   // Other: never a colour failure
        {"broken.jpg", false, true}, // unreadable: fails only by its dpi
    };
    QStringList names;
    int failing = 0;
    int listed = 0;
    for (const Image& image : batch) {
        names << QString::fromUtf8(image.name);
        const bool failed = (options.pictColor == 1 && image.failsColour) || (options.pictDpi == 1 && image.failsDpi);
        failing += failed ? 1 : 0;
        listed += isListed(options, failed) ? 1 : 0;
    }

    const ReportResult result = report(inputs(names, options, kPrePress));
    EXPECT_EQ(result.correct + result.error, 5);
    EXPECT_EQ(result.error, failing);
    EXPECT_EQ(result.text.count(QStringLiteral("================\n")), 1 + listed);
    EXPECT_TRUE(result.text.endsWith(footer(result.correct, result.error)));
}

INSTANTIATE_TEST_SUITE_P(, EveryCombination, ::testing::Range(0, 128));

TEST(InclusionTable, ListsByOkWrongAndVerdict)
{
    const auto listed = [](int ok, int wrong, bool failed) { return isListed({ok, wrong, 0, 0, 0, 0, 0}, failed); };
    EXPECT_TRUE(listed(1, 1, false));
    EXPECT_TRUE(listed(1, 1, true));
    EXPECT_TRUE(listed(1, 0, false));
    EXPECT_FALSE(listed(1, 0, true));
    EXPECT_FALSE(listed(0, 1, false));
    EXPECT_TRUE(listed(0, 1, true));
    EXPECT_FALSE(listed(0, 0, false));
    EXPECT_FALSE(listed(0, 0, true));
}

TEST(WriteReport, ReplacesTheFileWithUtf8AndNoFinalLineEnd)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Report.txt"));
    const QString text = QStringLiteral("Selected Setting: Drück\n\nError: 1");
    ASSERT_TRUE(writeReport(file, QStringLiteral("an older, longer report\n")));
    ASSERT_TRUE(writeReport(file, text));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), text.toUtf8());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Report.txt")});
}

TEST(WriteReport, SaysWhyWhenTheFolderIsGone)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(writeReport(dir.filePath(QStringLiteral("gone/Report.txt")), QStringLiteral("x"), &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
} // namespace quorvel::test
