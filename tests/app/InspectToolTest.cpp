// quorvel-inspect: its command line, folder walks, parallel order, output
// formats against the documented JSON schema, and its exit status.
#include "app/inspect/FileWalk.h"
#include "app/inspect/InspectCore.h"
#include "app/inspect/InspectOptions.h"
#include "app/inspect/InspectOutput.h"
#include "platform/JsonDefaultsStore.h"
#include "platform/header/ImageFileReader.h"
#include "settings/SettingsList.h"
#include "support/TestImages.h"
#include "app/JsonSchemaSubset.h"
#include "platform/PsdBmpFiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel::test {
namespace {

using namespace quorvel::inspect;

SchemaValidator schema()
{
    return schemaFrom(QStringLiteral(QUORVEL_JSON_SCHEMA));
}

struct ToolRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

class InspectTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        cmyk300 = image(QStringLiteral("cmyk300.tif"), {40, 30, Model::CMYK, 300.0});
        rgb72 = image(QStringLiteral("rgb72.jpg"), {40, 30, Model::RGB, 72.0});
        grey150 = image(QStringLiteral("grey150.png"), {40, 30, Model::Grey, 150.0});
        broken = dir.filePath(QStringLiteral("broken.jpg"));
        QFile file(broken);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\xFF\xD8\xFF and nothing more");
    }

    QString image(const QString& name, const ImageSpecForTest& recipe)
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeTestImage(path, recipe));
        return path;
    }

    // The real binary, with its defaults store in a home of its own.
    ToolRun run(const QStringList& arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(dir.path());
        process.start(QStringLiteral(QUORVEL_INSPECT), arguments);
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
                process.readAllStandardError()};
    }

    std::vector<InspectRecord> records(const QStringList& files, bool details) const
    {
        std::vector<std::string> paths;
        for (const QString& f : files)
            paths.push_back(QFile::encodeName(f).toStdString());
        return measureFiles(paths, reader, details, 2);
    }

    QTemporaryDir dir;
    platform::ImageFileReader reader;
    QString cmyk300, rgb72, grey150, broken;
};

TEST_F(InspectTool, ExitStatusLikeALinter)
{
    QDir(dir.path()).mkdir(QStringLiteral("empty"));
    struct Case { QStringList arguments; int code; };
    const Case cases[] = {
        {{}, 2},
        {{QStringLiteral("--bogus"), cmyk300}, 2},
        {{QStringLiteral("--dpi"), QStringLiteral("-3"), cmyk300}, 2},
        {{QStringLiteral("--setting"), QStringLiteral("No Such Setting"), cmyk300}, 2},
        {{QStringLiteral("--report"), QStringLiteral("r.txt"), cmyk300}, 2}, // a report needs a setting
        {{QStringLiteral("--wrong"), cmyk300}, 2},                             // and --wrong a report
        {{QStringLiteral("empty")}, 2},
        {{broken}, 2},                                                          // nothing readable
        {{QStringLiteral("--dpi"), QStringLiteral("72"), broken}, 2},
        {{cmyk300, broken}, 0},                                                 // no setting: nothing fails
        {{QStringLiteral("--setting"), QStringLiteral("Pre-Press"), cmyk300}, 0},
        {{QStringLiteral("--setting"), QStringLiteral("Pre-Press"), cmyk300, rgb72}, 1},
        {{QStringLiteral("--setting"), QStringLiteral("None"), rgb72, grey150}, 0}, // colour check off, 0 dpi
        {{QStringLiteral("--colour"), QStringLiteral("any"), QStringLiteral("--dpi"), QStringLiteral("75"), rgb72}, 0},
        {{QStringLiteral("--dpi"), QStringLiteral("72"), rgb72, broken}, 1},   // unreadable fails a demand
        {{QStringLiteral("--setting=Web"), QStringLiteral("--colour"), QStringLiteral("rgb"), rgb72}, 0},
        {{QStringLiteral("--setting"), QStringLiteral("Pre-Press"), QStringLiteral("--report"), QStringLiteral("-"),
          QStringLiteral("--fields"), QStringLiteral("dpi"), cmyk300}, 0},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(c.arguments);
        EXPECT_EQ(r.code, c.code) << c.arguments.join(QLatin1Char(' ')).toStdString() << "\n" << r.err.toStdString();
        if (c.code == 2 && c.arguments.isEmpty()) {
            EXPECT_TRUE(r.err.contains("--help"));
        }
    }
    const ToolRun help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    for (const char* section : {"SYNOPSIS", "OPTIONS", "EXIT STATUS", "--setting", "--report", "--format"})
        EXPECT_TRUE(help.out.contains(section)) << section;
}

TEST_F(InspectTool, PlainLinesStayAsTheyWere)
{
    const ToolRun r = run({QStringLiteral("rgb72.jpg"), QStringLiteral("broken.jpg"), QStringLiteral("cmyk300.tif")});
    EXPECT_EQ(r.out.toStdString(), "rgb72.jpg\t30\t40\t72\tRGB\tCalibratedRGB\n"
                                   "broken.jpg\t0\t0\t-2147483648\tOther\t\n"
                                   "cmyk300.tif\t30\t40\t300\tCMYK\tDeviceCMYK\n");
}

// Formats beyond those the tool reads itself go through the loader helper,
// found beside the tool, and a folder walk names them.
TEST_F(InspectTool, OtherFormatsGoThroughTheLoaderHelper)
{
    QDir(dir.path()).mkdir(QStringLiteral("other"));
    QFile drawing(dir.filePath(QStringLiteral("other/drawing.svg")));
    ASSERT_TRUE(drawing.open(QIODevice::WriteOnly));
    drawing.write("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"24\" height=\"18\">"
                  "<rect width=\"24\" height=\"18\" fill=\"red\"/></svg>");
    drawing.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QUORVEL_LOADER"));
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.setWorkingDirectory(dir.path());
    tool.start(QStringLiteral(QUORVEL_INSPECT), {QStringLiteral("other")});
    ASSERT_TRUE(tool.waitForFinished(30000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(tool.readAllStandardOutput()), QStringLiteral("other/drawing.svg\t18\t24\t72\tRGB\tCalibratedRGB\n"));
}

TEST_F(InspectTool, CommandLineReadsOptionsAndRefusesNonsense)
{
    const ParseResult ok = parseArguments({"-r", "--format=csv", "--setting", "Web", "--report", "r.txt", "--wrong",
                                           "--fields", "name,colour", "-j", "3", "--", "--odd name.jpg", "a.png"});
    ASSERT_EQ(ok.error, "");
    const InspectOptions& o = ok.options;
    EXPECT_TRUE(o.recursive);
    EXPECT_EQ(o.format, OutputFormat::Csv);
    EXPECT_EQ(o.settingName, "Web");
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.paths, (std::vector<std::string>{"--odd name.jpg", "a.png"}));
    const ReportOptions& b = o.reportOptions;
    EXPECT_EQ((std::array{b.pictOk, b.pictWrong, b.pictPath, b.pictName, b.pictSize, b.pictColor, b.pictDpi}),
              (std::array{0, 1, 0, 1, 0, 1, 0}));

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--format", "xml", "a"}, {"--dpi", "12x", "a"}, {"--colour", "purple", "a"}, {"--fields", "path,size,weight", "--report", "r", "--dpi", "1", "a"},
             {"--jobs", "0", "a"}, {"--setting"}, {"--recursive=yes", "a"}, {"--dpi", "72"}})
        EXPECT_NE(parseArguments(bad).error, "") << bad.front();
}

TEST_F(InspectTool, PrintChecksFromTheCommandLine)
{
    struct Case {
        std::vector<std::string> arguments;
        std::optional<TrimSize> printSize;
        std::optional<double> bleed;
        std::optional<int> inkLimit;
        std::optional<std::string> requireProfile;
        bool noAlpha;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {{"--print-size", "A4", "--bleed", "3mm", "a.tif"}, TrimSize{"A4", 210, 297}, 3.0, {}, {}, false, {"a.tif"}},
        {{"--print-size=210x297mm", "a.tif"}, TrimSize{"", 210, 297}, {}, {}, {}, false, {"a.tif"}},
        {{"--ink-limit", "300", "--no-alpha", "a.tif"}, {}, {}, 300, {}, true, {"a.tif"}},
        {{"--require-profile", "FOGRA39", "a.tif"}, {}, {}, {}, "FOGRA39", false, {"a.tif"}},
        {{"--require-profile", "a.tif"}, {}, {}, {}, "", false, {"a.tif"}},  // a file name is not the text
        {{"--require-profile", "--no-alpha", "dir/b"}, {}, {}, {}, "", true, {"dir/b"}},
        {{"--require-profile=coated.v2", "b"}, {}, {}, {}, "coated.v2", false, {"b"}},
    };
    for (const Case& c : cases) {
        const ParseResult parsed = parseArguments(c.arguments);
        ASSERT_EQ(parsed.error, "") << c.arguments.front();
        const InspectOptions& o = parsed.options;
        EXPECT_EQ(o.printSize, c.printSize) << c.arguments.front();
        EXPECT_EQ(o.bleedMm, c.bleed) << c.arguments.front();
        EXPECT_EQ(o.inkLimit, c.inkLimit) << c.arguments.front();
        EXPECT_EQ(o.requireProfile, c.requireProfile) << c.arguments.front();
        EXPECT_EQ(o.noAlpha, c.noAlpha) << c.arguments.front();
        EXPECT_EQ(o.paths, c.paths) << c.arguments.front();
        EXPECT_TRUE(o.judges());
    }
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--print-size", "A7", "a"}, {"--print-size", "0x10", "a"}, {"--bleed", "-1", "a"}, {"--bleed", "3in", "a"},
             {"--ink-limit", "401", "a"}, {"--ink-limit", "300%", "a"}, {"--no-alpha=yes", "a"}, {"--print-size"}})
        EXPECT_NE(parseArguments(bad).error, "") << bad.front() << ' ' << (bad.size() > 1 ? bad[1] : "");
}

TEST_F(InspectTool, ASettingsPrintChecksApplyAndOptionsReplaceThem)
{
    const QString alpha = image(QStringLiteral("alpha.png"), {40, 30, Model::RGBA, 300.0});
    // The setting as the application stores it, in the tool's own home.
    const QString storeDir = dir.filePath(QStringLiteral("config/Quorvel"));
    ASSERT_TRUE(QDir().mkpath(storeDir));
    {
        platform::JsonDefaultsStore store(storeDir + QStringLiteral("/Quorvel.json"));
        PrintDemands magazine;
        magazine.trim = TrimSize{"", 3.0, 2.0}; // 36 x 24 px at 300 dpi: a 40 x 30 image covers it
        magazine.bleedMm = 0.5;                  // 4 x 3 mm: 48 x 36 px, which it does not
        magazine.requireProfile = true;
        SettingsList(store).append(QStringLiteral("Magazine"), {1, 0, 300, 0}, magazine);
    }
    const QStringList json{QStringLiteral("--format"), QStringLiteral("json")};
    struct Case {
        const char* name;
        QStringList arguments;
        int code;
        QString printSize, profile, transparency; // verdicts of the first file
        int neededWide, neededHigh;
    };
    const Case cases[] = {
        {"the setting's own", json + QStringList{QStringLiteral("--setting"), QStringLiteral("Magazine"), cmyk300}, 1,
         QStringLiteral("fail"), QStringLiteral("fail"), QStringLiteral("off"), 48, 36},
        {"no bleed given", json + QStringList{QStringLiteral("--setting"), QStringLiteral("Magazine"), QStringLiteral("--bleed=0"),
                                              QStringLiteral("--require-profile=x"), cmyk300}, 1,
         QStringLiteral("pass"), QStringLiteral("fail"), QStringLiteral("off"), 36, 24},
        {"options alone", json + QStringList{QStringLiteral("--dpi"), QStringLiteral("300"), QStringLiteral("--print-size"),
                                             QStringLiteral("2x3mm"), QStringLiteral("--no-alpha"), alpha}, 1,
         QStringLiteral("pass"), QStringLiteral("off"), QStringLiteral("fail"), 36, 24},
    };
    const SchemaValidator validator = schema();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun r = run(c.arguments);
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        const QJsonObject document = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(validator.validate(document), QStringList()) << r.out.toStdString();
        const QJsonObject checks = document[QLatin1String("files")][0][QLatin1String("verdict")][QLatin1String("print_checks")].toObject();
        EXPECT_EQ(checks[QLatin1String("print_size")].toString(), c.printSize);
        EXPECT_EQ(checks[QLatin1String("profile")].toString(), c.profile);
        EXPECT_EQ(checks[QLatin1String("transparency")].toString(), c.transparency);
        EXPECT_EQ(checks[QLatin1String("needed_pixels")][QLatin1String("wide")].toInt(), c.neededWide);
        EXPECT_EQ(checks[QLatin1String("needed_pixels")][QLatin1String("high")].toInt(), c.neededHigh);
        EXPECT_FALSE(document[QLatin1String("setting")][QLatin1String("print_checks")].isNull());
    }
    // The report names the checks and says why an image fails one.
    const ToolRun report = run({QStringLiteral("--setting"), QStringLiteral("Magazine"), QStringLiteral("--report"),
                                QStringLiteral("-"), cmyk300});
    EXPECT_EQ(report.code, 1);
    EXPECT_TRUE(report.out.contains("Print checks: 3 x 2 mm + 0.5 mm bleed, an embedded profile\n")) << report.out.toStdString();
    EXPECT_TRUE(report.out.contains("\tprint size: needs 48 x 36 px for 3 x 2 mm + 0.5 mm bleed at 300 dpi, has 40 x 30\n"))
        << report.out.toStdString();
    EXPECT_TRUE(report.out.contains("\tprofile: no embedded profile\n")) << report.out.toStdString();
}

TEST_F(InspectTool, InkLimitReadsEveryPixelOfCmykFilesOnly)
{
    // Every sample 128 of 255: 200.8 % of total ink everywhere.
    struct Case {
        const char* limit;
        int code;
        const char* verdict;
    };
    for (const Case& c : {Case{"250", 0, "pass"}, Case{"200", 1, "fail"}}) {
        SCOPED_TRACE(c.limit);
        const ToolRun r = run({QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--ink-limit"),
                               QString::fromLatin1(c.limit), cmyk300, rgb72});
        EXPECT_EQ(r.code, c.code) << r.err.toStdString();
        const QJsonObject document = QJsonDocument::fromJson(r.out).object();
        EXPECT_EQ(schema().validate(document), QStringList()) << r.out.toStdString();
        const QJsonValue cmyk = document[QLatin1String("files")][0][QLatin1String("verdict")][QLatin1String("print_checks")];
        EXPECT_EQ(cmyk[QLatin1String("ink")].toString(), QLatin1String(c.verdict));
        EXPECT_NEAR(cmyk[QLatin1String("ink_figures")][QLatin1String("maximum_percent")].toDouble(), 200.78, 0.01);
        EXPECT_NEAR(cmyk[QLatin1String("ink_figures")][QLatin1String("percentile_99_9_percent")].toDouble(), 200.78, 0.01);
        const QJsonValue rgb = document[QLatin1String("files")][1][QLatin1String("verdict")][QLatin1String("print_checks")];
        EXPECT_EQ(rgb[QLatin1String("ink")].toString(), QStringLiteral("not-applicable"));
        EXPECT_TRUE(rgb[QLatin1String("ink_figures")].isNull());
    }
}

TEST_F(InspectTool, FoldersWalkInAStableOrderAndLinkLoopsEnd)
{
    QDir root(dir.filePath(QStringLiteral("tree")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("sub/deeper")));
    for (const char* name : {"b.jpg", "a.PNG", ".hidden.jpg", "notes.txt", "sub/c.tif", "sub/deeper/d.jpg"}) {
        QFile f(root.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(root.path(), root.filePath(QStringLiteral("sub/loop"))));   // back up: a loop
    ASSERT_TRUE(QFile::link(root.filePath(QStringLiteral("sub")), root.filePath(QStringLiteral("z")))); // sideways
    const auto isImage = [](std::string_view name) {
        return name.ends_with(".jpg") || name.ends_with(".PNG") || name.ends_with(".tif");
    };
    const std::string base = QFile::encodeName(root.path()).toStdString();

    const WalkResult deep = collectFiles({"missing.jpg", base}, true, isImage);
    EXPECT_EQ(deep.files, (std::vector<std::string>{"missing.jpg", base + "/a.PNG", base + "/b.jpg", base + "/sub/c.tif",
                                                    base + "/sub/deeper/d.jpg"}));
    ASSERT_EQ(deep.warnings.size(), 2u);
    EXPECT_NE(deep.warnings[0].find("sub/loop: symbolic link loop"), std::string::npos) << deep.warnings[0];
    EXPECT_NE(deep.warnings[1].find("/z: folder already walked"), std::string::npos) << deep.warnings[1];

    const WalkResult shallow = collectFiles({base + "/"}, false, isImage);
    EXPECT_EQ(shallow.files, (std::vector<std::string>{base + "/a.PNG", base + "/b.jpg"}));
    EXPECT_TRUE(shallow.warnings.empty());
}

TEST_F(InspectTool, ParallelMeasureKeepsTheArgumentOrder)
{
    QStringList files;
    for (int i = 0; i < 24; ++i)
        files << image(QStringLiteral("%1.png").arg(23 - i), {8, 10 + i, Model::RGB, 72.0});
    const std::vector<InspectRecord> measured = records(files, false);
    ASSERT_EQ(measured.size(), 24u);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(measured[i].path, QFile::encodeName(files[i]).toStdString());
        EXPECT_EQ(measured[i].measure.pixelsHigh, 10 + i);
    }
}

TEST_F(InspectTool, JsonFollowsItsSchema)
{
    const SchemaValidator validator = schema();
    const QString alpha = image(QStringLiteral("alpha.png"), {40, 30, Model::RGBA, 300.0});
    JudgeSetting prePress{"Pre-Press", RuleControls{0, true, 300}, 1};
    JudgeSetting none{"", RuleControls{-1, false, 0}, 1};
    for (const std::optional<JudgeSetting>& setting : {std::optional<JudgeSetting>(), std::optional(prePress), std::optional(none)}) {
        std::vector<InspectRecord> rs = records({cmyk300, rgb72, grey150, broken, alpha}, true);
        if (setting)
            judgeAll(rs, *setting);
        std::string out;
        writeRecords(out, OutputFormat::Json, rs, setting);
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << out;
        EXPECT_EQ(validator.validate(document.object()), QStringList()) << out;
    }

    // End to end, and the validator is not a pushover.
    PsdRecipe layeredRecipe;
    layeredRecipe.layers = 3;
    const Bytes layeredBytes = psdBytes(layeredRecipe);
    const QString layered = dir.filePath(QStringLiteral("layered.psd"));
    QFile layeredFile(layered);
    ASSERT_TRUE(layeredFile.open(QIODevice::WriteOnly));
    layeredFile.write(reinterpret_cast<const char*>(layeredBytes.data()), qint64(layeredBytes.size()));
    layeredFile.close();
    const ToolRun r = run({QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--setting"), QStringLiteral("Pre-Press"),
                       cmyk300, rgb72, broken, layered});
    EXPECT_EQ(r.code, 1);
    QJsonObject document = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(validator.validate(document), QStringList());
    const QJsonArray files = document.value(QLatin1String("files")).toArray();
    ASSERT_EQ(files.size(), 4);
    EXPECT_EQ(files[3][QLatin1String("details")][QLatin1String("layers")], QJsonValue(3));
    EXPECT_EQ(files[0][QLatin1String("details")][QLatin1String("layers")], QJsonValue(QJsonValue::Null));
    EXPECT_EQ(files[0][QLatin1String("verdict")][QLatin1String("pass")], QJsonValue(true));
    EXPECT_EQ(files[1][QLatin1String("verdict")][QLatin1String("colour")], QJsonValue(QStringLiteral("fail")));
    EXPECT_EQ(files[2][QLatin1String("details")], QJsonValue(QJsonValue::Null));
    EXPECT_EQ(files[0][QLatin1String("details")][QLatin1String("profile_warning")], QJsonValue(QStringLiteral("cmyk-without-profile")));
    EXPECT_EQ(document[QLatin1String("summary")][QLatin1String("failed")], QJsonValue(3));

    QJsonObject extra = document;
    extra.insert(QStringLiteral("surprise"), 1);
    EXPECT_FALSE(validator.validate(extra).isEmpty());
    QJsonObject missing = document;
    QJsonArray list = missing.value(QLatin1String("files")).toArray();
    QJsonObject first = list.first().toObject();
    first.remove(QStringLiteral("dpi"));
    first.insert(QStringLiteral("colour_class"), QStringLiteral("Purple"));
    list.replace(0, first);
    missing.insert(QStringLiteral("files"), list);
    EXPECT_EQ(validator.validate(missing).size(), 2);
}

// Every reason reaches each machine format under its own key; a readable
// file has none. The measure of an unreadable file stays the empty one.
TEST_F(InspectTool, UnreadableFilesSayWhy)
{
    const SchemaValidator validator = schema();
    const std::pair<UnreadableReason, const char*> reasons[] = {
        {UnreadableReason::NotAnImage, "not-an-image"},   {UnreadableReason::NotSupported, "format-not-supported"},
        {UnreadableReason::Damaged, "damaged"},           {UnreadableReason::TooLarge, "too-large"},
        {UnreadableReason::TimedOut, "timed-out"},        {UnreadableReason::PermissionDenied, "permission-denied"},
        {UnreadableReason::Vanished, "no-longer-there"},  {UnreadableReason::NotFound, "not-found"},
        {UnreadableReason::Folder, "folder"},
    };
    std::vector<InspectRecord> rs = records({rgb72}, true);
    for (const auto& [reason, key] : reasons) {
        ImageMeasure unreadable;
        unreadable.unreadableReason = reason;
        InspectRecord r;
        static_cast<ImageRecord&>(r) = makeRecord(unreadable, ImageDetails{});
        r.path = key;
        rs.push_back(r);
    }

    std::string json;
    writeRecords(json, OutputFormat::Json, rs, std::nullopt);
    const QJsonObject document = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    EXPECT_EQ(validator.validate(document), QStringList()) << json;
    const QJsonArray files = document.value(QLatin1String("files")).toArray();
    ASSERT_EQ(files.size(), 10);
    EXPECT_EQ(files[0][QLatin1String("unreadable_reason")], QJsonValue(QJsonValue::Null));
    for (qsizetype i = 1; i < files.size(); ++i) {
        EXPECT_EQ(files[i][QLatin1String("unreadable_reason")].toString(), files[i][QLatin1String("path")].toString());
        EXPECT_EQ(files[i][QLatin1String("pixels_high")], QJsonValue(0));
        EXPECT_EQ(files[i][QLatin1String("colour_class")], QJsonValue(QStringLiteral("Other")));
        EXPECT_EQ(files[i][QLatin1String("details")], QJsonValue(QJsonValue::Null));
    }

    for (const OutputFormat format : {OutputFormat::Tsv, OutputFormat::Csv}) {
        std::string out;
        writeRecords(out, format, rs, std::nullopt);
        const char separator = format == OutputFormat::Csv ? ',' : '\t';
        QList<QByteArray> rows = QByteArray::fromStdString(out).split('\n');
        ASSERT_EQ(rows.size(), 12);
        for (QByteArray& row : rows)
            if (row.endsWith('\r'))
                row.chop(1);
        EXPECT_EQ(rows[0].split(separator).last(), "unreadable_reason");
        EXPECT_EQ(rows[1].split(separator).last(), "");
        for (int i = 2; i < 11; ++i) {
            const QList<QByteArray> cells = rows[i].split(separator);
            EXPECT_EQ(cells.size(), static_cast<qsizetype>(columnNames().size()));
            EXPECT_EQ(cells.last(), cells.first()) << rows[i].toStdString();
        }
    }

    // End to end, through today's readers: whatever reason they give, it is named.
    const QString text = dir.filePath(QStringLiteral("notes.png"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("just some words, not an image at all");
    }
    const QString cut = dir.filePath(QStringLiteral("cut.png"));
    {
        QFile whole(grey150);
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        QFile file(cut);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(whole.read(20));
    }
    const ToolRun r = run({QStringLiteral("--format=json"), QStringLiteral("missing.png"), text, cut, rgb72});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject ran = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(validator.validate(ran), QStringList());
    const QJsonArray ranFiles = ran.value(QLatin1String("files")).toArray();
    ASSERT_EQ(ranFiles.size(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ranFiles[i][QLatin1String("readable")], QJsonValue(false));
        EXPECT_TRUE(ranFiles[i][QLatin1String("unreadable_reason")].isString()) << i;
    }
    EXPECT_TRUE(ranFiles[3][QLatin1String("unreadable_reason")].isNull());
}

TEST_F(InspectTool, TablesEscapeWhatWouldBreakARow)
{
    const QString odd = image(QStringLiteral("we\"ird,\tname.png"), {40, 30, Model::RGB, 72.0});
    std::vector<InspectRecord> rs = records({odd, broken}, true);
    const size_t columns = columnNames().size();
    for (const OutputFormat format : {OutputFormat::Tsv, OutputFormat::Csv}) {
        std::string out;
        writeRecords(out, format, rs, std::nullopt);
        const bool csv = format == OutputFormat::Csv;
        const std::string path = QFile::encodeName(dir.path()).toStdString();
        EXPECT_NE(out.find(csv ? "\"" + path + "/we\"\"ird,\tname.png\"" : path + "/we\"ird,\\tname.png"), std::string::npos)
            << out;
        // Every row has every column, the header first.
        const QList<QByteArray> rows = QByteArray::fromStdString(out).split('\n');
        ASSERT_EQ(rows.size(), 4); // header, two rows, and the end
        EXPECT_TRUE(rows[0].startsWith("path"));
        EXPECT_EQ(static_cast<size_t>(rows[2].count(csv ? ',' : '\t')), columns - 1);
    }
}

} // namespace
} // namespace quorvel::test
