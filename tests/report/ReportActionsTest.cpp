#include "app/InspectorFixture.h"

#include "report/ReportPrePanel.h"
#include "report/ReportProgress.h"

#include "ui_ReportPrePanel.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

#include <array>
#include <atomic>
#include <functional>

namespace quorvel::test {
namespace {

class ReportActions : public InspectorFixture {
protected:
    void SetUp() override
    {
        InspectorFixture::SetUp();
        ASSERT_TRUE(out.isValid());
        panel = mainWindow->findChild<ReportPrePanel*>();
        ASSERT_NE(panel, nullptr);
        prefs()->mioPopUp->clear();
        prefs()->mioPopUp->addItem(QStringLiteral("Pre-Press"));
        setControls(0, true, 300);
    }

    QStringList workedBatch()
    {
        return {image(QStringLiteral("cover.tif[compression=deflate]"), {2400, 3600, Model::CMYK, 360.0})
                    .remove(QStringLiteral("[compression=deflate]")),
                image(QStringLiteral("web.jpg"), {800, 600, Model::RGB, 72.0})};
    }
    void setBoxes(const ReportOptions& o)
    {
        auto* f = panel->form();
        f->pictOk->setChecked(o.pictOk == 1);
        f->pictWrong->setChecked(o.pictWrong == 1);
        f->pictPath->setChecked(o.pictPath == 1);
        f->pictName->setChecked(o.pictName == 1);
        f->pictSize->setChecked(o.pictSize == 1);
        f->pictColor->setChecked(o.pictColor == 1);
        f->pictDpi->setChecked(o.pictDpi == 1);
    }
    // Opens the pre-panel and presses its report button with `answer` as the save panel's answer.
    void report(const std::optional<QString>& answer)
    {
        panels.saveAnswer = answer;
        ui()->reportButton->click();
        ASSERT_TRUE(panel->isVisible());
        panel->form()->report->click();
    }
    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The third line is the moment of the report; checks its form and masks it.
    static QString withoutDate(QString text)
    {
        static const QRegularExpression date(QStringLiteral("^(.*\n.*\n)\\d{4}/\\d\\d/\\d\\d - \\d\\d:\\d\\d:\\d\\d\n"));
        EXPECT_TRUE(date.match(text).hasMatch()) << text.toStdString();
        return text.replace(date, QStringLiteral("\\1<date>\n"));
    }
    QStringList outFiles() const { return QDir(out.path()).entryList(QDir::Files); }

    QTemporaryDir out;
    ReportPrePanel* panel = nullptr;
};

TEST_F(ReportActions, CommandWithoutBatchOnlyTraces)
{
    TraceRecorder traces;
    ui()->reportAction->trigger();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(traces.lines(), QStringList{QStringLiteral("Command+R")});
}

TEST_F(ReportActions, ButtonAndCommandOpenTheWindowModalPanel)
{
    info->createFromDragAndDrop({image(QStringLiteral("a.png"), {})});
    ui()->reportButton->click();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_EQ(panel->parentWidget(), mainWindow.get());
    panel->form()->dismiss->click();
    EXPECT_FALSE(panel->isVisible());
    ui()->reportAction->trigger();
    EXPECT_TRUE(panel->isVisible());
}

TEST_F(ReportActions, DismissingBroadcastsAndReportingDoesNot)
{
    info->createFromDragAndDrop({image(QStringLiteral("a.png"), {})});
    TraceRecorder traces;
    const QString recheck = QStringLiteral("--------->> RE-CHECK");

    // The dismiss button, and Escape or the close box, all dismiss.
    for (const auto& dismiss : {std::function<void()>([&] { panel->form()->dismiss->click(); }),
                                std::function<void()>([&] { panel->reject(); })}) {
        ui()->reportButton->click();
        traces.clear();
        dismiss();
        EXPECT_FALSE(panel->isVisible());
        QCoreApplication::processEvents();
        EXPECT_EQ(traces.lines().count(recheck), 1);
    }
    EXPECT_TRUE(panels.saveRequests.isEmpty());

    traces.clear();
    report(std::nullopt);
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(traces.lines().count(recheck), 0);
    ASSERT_EQ(panels.saveRequests.size(), 1);
    const auto& request = panels.saveRequests.constFirst();
    EXPECT_EQ(request.title, QStringLiteral("Save Report"));
    EXPECT_EQ(request.proposedName, QStringLiteral("Report"));
    EXPECT_EQ(request.suffix, QStringLiteral("txt"));
    EXPECT_TRUE(request.canCreateFolders);
}

TEST_F(ReportActions, BoxStatesSurviveBetweenShowings)
{
    info->createFromDragAndDrop({image(QStringLiteral("a.png"), {})});
    ui()->reportButton->click();
    setBoxes({0, 1, 0, 1, 0, 0, 1});
    panel->form()->dismiss->click();
    ui()->reportButton->click();
    const ReportOptions o = panel->options();
    EXPECT_EQ((std::array{o.pictOk, o.pictWrong, o.pictPath, o.pictName, o.pictSize, o.pictColor, o.pictDpi}),
              (std::array{0, 1, 0, 1, 0, 0, 1}));
}

TEST_F(ReportActions, WritesTheWholeBatchFromItsFirstFileWhateverTheCurrentOne)
{
    const QStringList batch = workedBatch();
    info->createFromDragAndDrop(batch);
    info->nextImage();
    ui()->reportButton->click();
    setBoxes({1, 1, 1, 1, 1, 1, 1});
    const QString file = out.filePath(QStringLiteral("Report.txt"));

    TraceRecorder traces;
    report(file);

    const QString d = dir.path();
    const QString expected = QStringLiteral(
        "Created with Quorvel 1.4\n" QUORVEL_HOST "\n<date>\n\nSelected Setting: Pre-Press\n\nChecking (2) files:\n\n"
        "================\n"
        "%1/cover.tif\nName: cover.tif\nHeight: 3600\nWidth: 2400\nColor: CMYK\nDpi: 360\n================\n"
        "%1/web.jpg\nName: web.jpg\nHeight: 600\nWidth: 800\nColor: RGB \t *\nDpi: 72 \t * \n================\n"
        "\nCorrect: 1\nError: 1").arg(d);
    const QByteArray written = contents(file);
    EXPECT_EQ(withoutDate(QString::fromUtf8(written)).toStdString(), expected.toStdString());
    ASSERT_TRUE(info->carota().has_value());
    EXPECT_EQ(info->carota()->toUtf8(), written);
    EXPECT_EQ(info->contatore(), 1);
    EXPECT_TRUE(panels.alerts.isEmpty());

    EXPECT_TRUE(traces.containsInOrder({
        QStringLiteral("======== REPORT ========="),
        QStringLiteral("Leggo le preferenze: Ok: 1, Wrong: 1, Path: 1, Name: 1, Size: 1, Color: 1, Dpi: 1"),
        QStringLiteral("Leggo i settings: anteprima: 1, colore: 0, dpi: 300"),
        QStringLiteral("File da censire: (\"%1/cover.tif\", \"%1/web.jpg\")").arg(d),
        QStringLiteral("OK - Salvo il report qui: %1").arg(file),
        QStringLiteral("Totale file da censire: 2"),
        QStringLiteral("Immagine n. 1"),
        QStringLiteral("Immagine n. 2"),
    })) << traces.lines().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(traces.lines().constFirst(), QStringLiteral("Command+R"));
}

TEST_F(ReportActions, WithoutACurrentFileAConfirmedReportHasNoEntries)
{
    const QString file = out.filePath(QStringLiteral("Report.txt"));
    panels.saveAnswer = file;
    TraceRecorder traces;
    info->doReport();
    EXPECT_EQ(withoutDate(QString::fromUtf8(contents(file))),
              QStringLiteral("Created with Quorvel 1.4\n" QUORVEL_HOST "\n<date>\n\nSelected Setting: Pre-Press\n\n"
                             "Checking (0) files:\n\n================\n\nCorrect: 0\nError: 0"));
    EXPECT_TRUE(traces.lines().contains(QStringLiteral("File da censire: (null)")));
    EXPECT_FALSE(traces.lines().contains(QStringLiteral("Totale file da censire: 0")));
}

TEST_F(ReportActions, CancellingTheSavePanelWritesNothingBeforeAndAfterAFirstReport)
{
    info->createFromDragAndDrop({image(QStringLiteral("a.png"), {})});
    report(std::nullopt);
    EXPECT_TRUE(outFiles().isEmpty());
    EXPECT_FALSE(info->carota().has_value());

    const QString file = out.filePath(QStringLiteral("Report.txt"));
    report(file);
    const QByteArray first = contents(file);
    ASSERT_FALSE(first.isEmpty());
    const std::optional<QString> carota = info->carota();

    setControls(1, true, 72); // a changed report would differ
    report(std::nullopt);
    EXPECT_EQ(outFiles(), QStringList{QStringLiteral("Report.txt")});
    EXPECT_EQ(contents(file), first);
    EXPECT_EQ(info->carota(), carota);
    EXPECT_TRUE(panels.alerts.isEmpty());
    EXPECT_EQ(panels.saveRequests.size(), 3);
}

class ReportWriteFailure : public ReportActions, public ::testing::WithParamInterface<const char*> {};

// Running as root, permissions stop nothing: a folder that does not exist and
// a file system that takes no files make the write fail for everyone.
TEST_P(ReportWriteFailure, ShowsAnAlertNamingThePathAndTheReason)
{
    info->createFromDragAndDrop({image(QStringLiteral("a.png"), {})});
    const QString target = QString::fromUtf8(GetParam()).replace(QStringLiteral("{OUT}"), out.path());
    report(target);

    ASSERT_EQ(panels.alerts.size(), 1);
    const auto& alert = panels.alerts.constFirst();
    EXPECT_TRUE(alert.text.contains(QDir::toNativeSeparators(target))) << alert.text.toStdString();
    EXPECT_FALSE(alert.informativeText.isEmpty());
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_TRUE(outFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(, ReportWriteFailure,
                         ::testing::Values("{OUT}/vanished/Report.txt", "/proc/quorvel-Report.txt"));

// The image loader as a slow disk would make it.
class SlowReader : public ImageHeaderReader {
public:
    ImageHeader readHeader(const std::string&) const override
    {
        QThread::msleep(20);
        ++reads;
        return ImageHeader{true, 10, 20, 72.0, std::nullopt};
    }
    mutable std::atomic<int> reads{0};
};

TEST_F(ReportActions, LongMeasuringShowsProgressKeepsTheLoopRunningAndCanBeCancelled)
{
    QStringList files;
    for (int i = 0; i < 400; ++i)
        files << QStringLiteral("/images/%1.tif").arg(i);
    SlowReader reader;

    bool shown = false;
    int ticks = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        ++ticks; // the main thread's event loop keeps running
        auto* progress = mainWindow->findChild<QProgressDialog*>();
        if (progress && progress->isVisible()) {
            shown = true;
            EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
            if (auto* button = progress->findChild<QPushButton*>())
                button->click(); // as the user does
        }
    });
    watch.start(10);

    const auto measures = measureShowingProgress(mainWindow.get(), files, reader, 100);
    EXPECT_FALSE(measures.has_value());
    EXPECT_TRUE(shown);
    EXPECT_GE(ticks, 2) << "the event loop ran while measuring";
    EXPECT_LT(reader.reads.load(), files.size()) << "cancel stopped the measuring";
}

TEST_F(ReportActions, QuickMeasuringShowsNoProgressAndKeepsBatchOrder)
{
    const QStringList files{image(QStringLiteral("b.tif"), {.height = 30}), image(QStringLiteral("a.png"), {.height = 10}),
                            QStringLiteral("/nowhere.jpg"), image(QStringLiteral("c.jpg"), {.height = 20})};
    const auto measures = measureShowingProgress(mainWindow.get(), files, info->imageReader());
    ASSERT_TRUE(measures.has_value());
    ASSERT_EQ(measures->size(), 4);
    EXPECT_EQ((std::array{measures->at(0).measure.pixelsHigh, measures->at(1).measure.pixelsHigh, measures->at(2).measure.pixelsHigh,
                          measures->at(3).measure.pixelsHigh}),
              (std::array{30, 10, 0, 20}));
    const auto* progress = mainWindow->findChild<QProgressDialog*>();
    EXPECT_TRUE(progress == nullptr || !progress->isVisible());
}

} // namespace
} // namespace quorvel::test
