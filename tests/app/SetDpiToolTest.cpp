// quorvel-inspect --set-dpi and --fit-print, run as a script would run them.
#include "app/inspect/InspectOptions.h"
#include "platform/header/ImageFileReader.h"
#include "support/TestImages.h"
#include "app/JsonSchemaSubset.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace quorvel::test {
namespace {

using namespace quorvel::inspect;

struct ToolRun {
    int code = -1;
    QByteArray out;
    QByteArray err;
};

class SetDpiTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeTestImage(dir.filePath(QStringLiteral("photo.jpg")), {360, 240, Model::RGB, 72.0}));
        ASSERT_TRUE(writeTestImage(dir.filePath(QStringLiteral("scan.tif")), {40, 30, Model::CMYK, 150.0}));
        ASSERT_TRUE(writeTestImage(dir.filePath(QStringLiteral("anim.gif")), {40, 30, Model::RGB, 72.0}));
    }

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

    std::optional<double> dpiOf(const QString& name) const
    {
        return platform::ImageFileReader().readHeader(dir.filePath(name).toStdString()).verticalDpi;
    }

    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    QTemporaryDir dir;
};

TEST_F(SetDpiTool, OptionsAreReadAndConflictsRefused)
{
    const ParseResult ok = parseArguments({"--fit-print", "304.8x203.2mm", "--in-place", "--backup", "--dry-run", "a"});
    ASSERT_EQ(ok.error, "");
    ASSERT_TRUE(ok.options.fitPrint);
    EXPECT_NEAR(ok.options.fitPrint->widthInches, 12.0, 1e-9);
    EXPECT_NEAR(ok.options.fitPrint->heightInches, 8.0, 1e-9);
    EXPECT_TRUE(ok.options.inPlace && ok.options.backup && ok.options.dryRun);
    EXPECT_EQ(parseArguments({"--fit-print=30x20cm", "a"}).options.fitPrint->widthInches, 30 / 2.54);
    EXPECT_EQ(parseArguments({"--set-dpi=300", "--output-dir", "out", "a"}).options.outputDir, "out");

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>> {
             {"--set-dpi", "0", "a"},
             {"--set-dpi", "65536", "a"},
             {"--set-dpi", "72.5", "a"},
             {"--fit-print", "12x8", "a"},
             {"--fit-print", "12x-8in", "a"},
             {"--fit-print", "x8in", "a"},
             {"--fit-print", "12by8in", "a"},
             {"--set-dpi", "300", "--fit-print", "12x8in", "a"},
             {"--in-place", "a"},
             {"--dry-run", "a"},
             {"--set-dpi", "300", "--backup", "a"},
             {"--set-dpi", "300", "--in-place", "--output-dir", "o", "a"},
             {"--set-dpi", "300", "--setting", "Web", "a"},
             {"--set-dpi", "300"}})
        EXPECT_NE(parseArguments(bad).error, "") << bad[0] << " " << bad[1];
}

TEST_F(SetDpiTool, CopiesBesideTheOriginalsAndNamesTheRefused)
{
    const ToolRun r = run({QStringLiteral("--set-dpi"), QStringLiteral("300"), QStringLiteral("photo.jpg"),
                           QStringLiteral("anim.gif"), QStringLiteral("scan.tif")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out.toStdString(), "photo.jpg\t72\t300\tphoto (300 dpi).jpg\n"
                                   "scan.tif\t150\t300\tscan (300 dpi).tif\n");
    EXPECT_EQ(r.err.toStdString(), "quorvel-inspect: anim.gif: this format keeps no resolution Quorvel can set\n");
    EXPECT_EQ(dpiOf(QStringLiteral("photo (300 dpi).jpg")), 300.0);
    EXPECT_EQ(dpiOf(QStringLiteral("scan (300 dpi).tif")), 300.0);
    EXPECT_EQ(dpiOf(QStringLiteral("photo.jpg")), 72.0);

    // Again: the copies exist, and are never replaced.
    const ToolRun again = run({QStringLiteral("--set-dpi"), QStringLiteral("300"), QStringLiteral("photo.jpg")});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains("already exists")) << again.err.toStdString();
}

TEST_F(SetDpiTool, InPlaceWithBackupAndJson)
{
    const ToolRun r = run({QStringLiteral("--fit-print"), QStringLiteral("1.2x0.8in"), QStringLiteral("--in-place"),
                           QStringLiteral("--backup"), QStringLiteral("--format"), QStringLiteral("json"),
                           QStringLiteral("photo.jpg")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const SchemaValidator schema = schemaFrom(QStringLiteral(QUORVEL_SET_DPI_JSON_SCHEMA));
    EXPECT_EQ(schema.validate(QJsonDocument::fromJson(r.out).object()), QStringList{});
    const QJsonArray list = QJsonDocument::fromJson(r.out).object().value(QStringLiteral("files")).toArray();
    ASSERT_EQ(list.size(), 1);
    const QJsonObject file = list[0].toObject();
    EXPECT_EQ(file.value(QStringLiteral("old_dpi")).toDouble(), 72.0);
    EXPECT_EQ(file.value(QStringLiteral("new_dpi")).toInt(), 300); // 360 x 240 pixels over 1.2 x 0.8 in
    EXPECT_TRUE(file.value(QStringLiteral("written")).toBool());
    EXPECT_EQ(QFileInfo(file.value(QStringLiteral("written_path")).toString()).fileName(), QStringLiteral("photo.jpg"));
    EXPECT_TRUE(file.value(QStringLiteral("error")).isNull());
    EXPECT_EQ(dpiOf(QStringLiteral("photo.jpg")), 300.0);
    EXPECT_EQ(dpiOf(QStringLiteral("photo.jpg~")), 72.0);
}

TEST_F(SetDpiTool, DryRunAndOutputFolderWriteOnlyWhereAsked)
{
    const QStringList before = files();
    const ToolRun dry = run({QStringLiteral("--set-dpi"), QStringLiteral("240"), QStringLiteral("--dry-run"),
                             QStringLiteral("--format=json"), QStringLiteral("photo.jpg"), QStringLiteral("anim.gif")});
    EXPECT_EQ(dry.code, 1);
    EXPECT_EQ(schemaFrom(QStringLiteral(QUORVEL_SET_DPI_JSON_SCHEMA)).validate(QJsonDocument::fromJson(dry.out).object()),
              QStringList{});
    const QJsonArray list = QJsonDocument::fromJson(dry.out).object().value(QStringLiteral("files")).toArray();
    ASSERT_EQ(list.size(), 2);
    EXPECT_FALSE(list[0].toObject().value(QStringLiteral("written")).toBool());
    EXPECT_FALSE(list[1].toObject().value(QStringLiteral("error")).toString().isEmpty());
    EXPECT_EQ(files(), before);

    const ToolRun noFolder = run({QStringLiteral("--set-dpi"), QStringLiteral("240"), QStringLiteral("--output-dir"),
                                  QStringLiteral("out"), QStringLiteral("photo.jpg")});
    EXPECT_EQ(noFolder.code, 2);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const ToolRun r = run({QStringLiteral("--set-dpi"), QStringLiteral("240"), QStringLiteral("--output-dir"),
                           QStringLiteral("out"), QStringLiteral("photo.jpg")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(files(), before);
    EXPECT_EQ(dpiOf(QStringLiteral("out/photo (240 dpi).jpg")), 240.0);
}

// A file's name can hold any byte but '/': the lines and messages about it
// must not carry a line break or a terminal escape of its making.
TEST_F(SetDpiTool, FileNamesForgeNoLineOrEscape)
{
    const QString forgedJpeg = QStringLiteral("a\nforged\t300\x1b[2Jb.jpg");
    const QString forgedGif = QStringLiteral("c\r\x1b]0;title\x07d.gif");
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("photo.jpg")), dir.filePath(forgedJpeg)));
    ASSERT_TRUE(QFile::copy(dir.filePath(QStringLiteral("anim.gif")), dir.filePath(forgedGif)));

    const ToolRun r = run({QStringLiteral("--set-dpi"), QStringLiteral("300"), forgedJpeg, forgedGif});
    EXPECT_EQ(r.code, 1); // the GIF is refused
    for (const QByteArray& text : {r.out, r.err}) {
        for (const char c : text)
            EXPECT_TRUE(c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) << int(c);
    }
    EXPECT_EQ(r.out.count('\n'), 1) << r.out.toStdString();
    EXPECT_EQ(r.out.split('\t').size(), 4) << r.out.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
}

} // namespace
} // namespace quorvel::test
