// quorvel-inspect --report writes the application's report: the same files,
// boxes and setting give the same text as the report made in the real
// windows, through the shared report code and through the binary.
#include "app/InspectorFixture.h"
#include "app/inspect/InspectCore.h"
#include "platform/JsonDefaultsStore.h"
#include "report/ReportPrePanel.h"
#include "settings/PrefManager.h"
#include "settings/SettingsList.h"

#include "ui_ReportPrePanel.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace quorvel::test {
namespace {

using namespace quorvel::inspect;

struct ReportCase {
    const char* setting;
    std::vector<std::string> boxes; // command-line options; the same boxes are ticked in the pre-panel
    ReportOptions options;
};

class InspectReport : public InspectorFixture, public ::testing::WithParamInterface<ReportCase> {
protected:
    void SetUp() override
    {
        InspectorFixture::SetUp();
        // The store as the command line finds it under XDG_CONFIG_HOME.
        storeFile = dir.filePath(QStringLiteral("config/Quorvel/Quorvel.json"));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(storeFile).path()));
        store = std::make_unique<platform::JsonDefaultsStore>(storeFile);
        // A user's list: a disabled setting, one beyond the slider's range, one with no colour row.
        QList<Setting> list = SettingsList::presets();
        list << Setting{QStringLiteral("Posters"), {1, 0, 150, 0}} << Setting{QStringLiteral("Fine Art"), {0, 2, 1200, 0}}
             << Setting{QStringLiteral("Odd"), {1, 7, 75, 0}} << Setting{QStringLiteral("Off"), {1, 0, 300, 1}};
        store->setValue(SettingsList::storeKey, SettingsList::toStored(list));
        prefManager = std::make_unique<PrefManager>(*store, preferences.get(), notifications.get(), &panels);
        prefManager->awakeFromNib();

        files = {image(QStringLiteral("cover.tif"), {240, 360, Model::CMYK, 360.0}),
                 image(QStringLiteral("web.jpg"), {80, 60, Model::RGB, 72.0}),
                 image(QStringLiteral("grey.png"), {50, 75, Model::Grey, 150.0}),
                 image(QStringLiteral("lab.tif"), {30, 30, Model::Lab, 600.0}),
                 dir.filePath(QStringLiteral("missing.jpg"))};
    }

    // The application: pick the setting in the pop-up, drop the files, tick the boxes, report.
    QString applicationReport(const QString& setting, const ReportOptions& o)
    {
        const int index = prefs()->mioPopUp->findText(setting);
        EXPECT_GE(index, 0);
        prefs()->mioPopUp->setCurrentIndex(index);
        prefManager->setThisPref(index);
        info->createFromDragAndDrop(files);
        auto* panel = mainWindow->findChild<ReportPrePanel*>();
        auto* f = panel->form();
        for (auto [box, state] : {std::pair{f->pictOk, o.pictOk}, {f->pictWrong, o.pictWrong}, {f->pictPath, o.pictPath},
                                  {f->pictName, o.pictName}, {f->pictSize, o.pictSize}, {f->pictColor, o.pictColor},
                                  {f->pictDpi, o.pictDpi}})
            box->setChecked(state == 1);
        const QString out = dir.filePath(QStringLiteral("app-report.txt"));
        panels.saveAnswer = out;
        ui()->reportButton->click();
        f->report->click();
        return contents(out);
    }

    std::vector<std::string> commandLine(const ReportCase& c, const std::string& reportFile) const
    {
        std::vector<std::string> arguments{"--setting", c.setting, "--report", reportFile};
        arguments.insert(arguments.end(), c.boxes.begin(), c.boxes.end());
        for (const QString& file : files)
            arguments.push_back(QFile::encodeName(file).toStdString());
        return arguments;
    }

    static QString contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // The third line is the moment of the report.
    static QString withoutDate(QString text)
    {
        static const QRegularExpression date(QStringLiteral("^(.*\n.*\n)\\d{4}/\\d\\d/\\d\\d - \\d\\d:\\d\\d:\\d\\d\n"));
        EXPECT_TRUE(date.match(text).hasMatch()) << text.toStdString();
        return text.replace(date, QStringLiteral("\\1<date>\n"));
    }

    QString storeFile;
    std::unique_ptr<platform::JsonDefaultsStore> store;
    std::unique_ptr<PrefManager> prefManager;
    QStringList files;
};

TEST_P(InspectReport, SameTextAsTheApplication)
{
    const ReportCase& c = GetParam();
    const QString application = applicationReport(QString::fromUtf8(c.setting), c.options);
    ASSERT_FALSE(application.isEmpty());

    const ParseResult parsed = parseArguments(commandLine(c, "report.txt"));
    ASSERT_EQ(parsed.error, "");
    const ReportOptions& o = parsed.options.reportOptions;
    EXPECT_EQ((std::array{o.pictOk, o.pictWrong, o.pictPath, o.pictName, o.pictSize, o.pictColor, o.pictDpi}),
              (std::array{c.options.pictOk, c.options.pictWrong, c.options.pictPath, c.options.pictName,
                          c.options.pictSize, c.options.pictColor, c.options.pictDpi}));
    const SettingLookup lookup = resolveSetting(parsed.options, *store);
    ASSERT_TRUE(lookup.setting) << lookup.error;
    const std::vector<InspectRecord> records =
        measureFiles(parsed.options.paths, info->imageReader(), false, 0);
    const ReportResult report = reportOf(records, *lookup.setting, o, QDateTime::currentDateTime(), dir.path());
    EXPECT_EQ(withoutDate(report.text).toStdString(), withoutDate(application).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Settings, InspectReport, ::testing::Values(
    ReportCase{"Pre-Press", {}, {1, 1, 1, 1, 1, 1, 1}},
    ReportCase{"None", {"--wrong", "--fields", "name,dpi"}, {0, 1, 0, 1, 0, 0, 1}},
    ReportCase{"Posters", {"--ok", "--fields", "path,size,color"}, {1, 0, 1, 0, 1, 1, 0}},
    ReportCase{"Fine Art", {"--ok", "--wrong"}, {1, 1, 1, 1, 1, 1, 1}},
    ReportCase{"Odd", {"--fields", "name,color,dpi"}, {1, 1, 0, 1, 0, 1, 1}},
    ReportCase{"Off", {"--wrong", "--fields", "name,color,dpi"}, {0, 1, 0, 1, 0, 1, 1}}),
    [](const ::testing::TestParamInfo<ReportCase>& info) {
        std::string name = info.param.setting;
        std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
        return name;
    });

TEST_F(InspectReport, TheBinaryWritesTheSameFile)
{
    const ReportCase c{"Posters", {"--wrong", "--fields", "path,name,color,dpi"}, {0, 1, 1, 1, 0, 1, 1}};
    const QString application = applicationReport(QStringLiteral("Posters"), c.options);

    const QString out = dir.filePath(QStringLiteral("cli-report.txt"));
    QStringList arguments;
    for (const std::string& a : commandLine(c, QFile::encodeName(out).toStdString()))
        arguments << QFile::decodeName(QByteArray::fromStdString(a));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUORVEL_INSPECT), arguments);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1) << process.readAllStandardError().toStdString(); // the report counts errors
    EXPECT_EQ(withoutDate(contents(out)).toStdString(), withoutDate(application).toStdString());
}

} // namespace
} // namespace quorvel::test
