#include "app/InspectorFixture.h"

#include "platform/PreviewMaker.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTest>

#include <cmath>

#include <limits>

namespace quorvel::test {
namespace {

using Inspector = InspectorFixture;

TEST_F(Inspector, SharedInstanceIsTheOnlyController)
{
    EXPECT_EQ(QuorvelInfo::sharedInstance(), info);
    EXPECT_EQ(QuorvelInfo::sharedInstance(), QuorvelInfo::sharedInstance());
}

TEST_F(Inspector, StartsEmptyWithButtonsDisabledAndOnlyTracesAChange)
{
    for (QLineEdit* field : {ui()->quorColor, ui()->quorDpi, ui()->quorHeight, ui()->quorWidth, ui()->myCount,
                             ui()->namesLocation})
        EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
    for (QAbstractButton* button : {ui()->prevButton, ui()->nextButton, ui()->modifyButton, ui()->reportButton})
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    EXPECT_TRUE(ui()->inspectorQuorvel->pixmap().isNull());

    TraceRecorder traces;
    notifications->post(QStringLiteral("cambiamento"));
    EXPECT_TRUE(traces.lines().isEmpty()) << "delivered only through the event loop";
    QCoreApplication::processEvents();
    EXPECT_EQ(traces.lines(), QStringList{QStringLiteral("--------->> RE-CHECK")});
}

struct VerdictCase {
    const char* name;
    Model model;
    double dpi;
    int row;
    bool enabled;
    int slider;
    const char* colourText;
    bool colourRed;
    const char* dpiText;
    bool dpiRed;
};

class Verdicts : public InspectorFixture, public ::testing::WithParamInterface<VerdictCase> {};

TEST_P(Verdicts, ShowMeasureInRedOrBlack)
{
    const VerdictCase c = GetParam();
    setControls(c.row, c.enabled, c.slider);
    const QString path = image(QStringLiteral("%1.tif").arg(QLatin1String(c.name)),
                               {.width = 30, .height = 40, .model = c.model, .dpi = c.dpi});
    info->applicationOpenFiles({path});

    EXPECT_EQ(ui()->quorHeight->text(), QStringLiteral("40"));
    EXPECT_EQ(ui()->quorWidth->text(), QStringLiteral("30"));
    EXPECT_EQ(ui()->quorColor->text(), QLatin1String(c.colourText));
    EXPECT_EQ(isRed(ui()->quorColor), c.colourRed);
    EXPECT_EQ(ui()->quorDpi->text(), QLatin1String(c.dpiText));
    EXPECT_EQ(isRed(ui()->quorDpi), c.dpiRed);
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("%1.tif").arg(QLatin1String(c.name)));
}

INSTANTIATE_TEST_SUITE_P(Images, Verdicts, ::testing::Values(
    VerdictCase{"rgbAgainstCmyk", Model::RGB, 300, 0, true, 300, "RGB", true, "300", false},
    VerdictCase{"cmykPrePress", Model::CMYK, 300, 0, true, 300, "CMYK", false, "300", false},
    VerdictCase{"cmykLowRes", Model::CMYK, 299, 0, true, 300, "CMYK", false, "299", true},
    VerdictCase{"greyAgainstRgb", Model::Grey, 150, 1, true, 150, "Grayscale", true, "150", false},
    VerdictCase{"greyNoRowSelected", Model::Grey, 150, -1, true, 150, "Grayscale", true, "150", false},
    VerdictCase{"seventyTwoAtSeventyFive", Model::RGB, 72, 1, true, 75, "RGB", false, "72", false},
    VerdictCase{"seventyOneAtSeventyFive", Model::RGB, 71, 1, true, 75, "RGB", false, "71", true},
    VerdictCase{"disabledNeverFailsColour", Model::CMYK, 72, 1, false, 300, "CMYK", false, "72", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Inspector, OtherClassLeavesThePreviousColourFieldAlone)
{
    setControls(1, true, 72);
    const QString cmyk = image(QStringLiteral("cmyk.tif"), {.model = Model::CMYK});
    const QString lab = image(QStringLiteral("lab.tif"), {.model = Model::Lab});
    info->createFromDragAndDrop({cmyk, lab});
    ASSERT_EQ(ui()->quorColor->text(), QStringLiteral("CMYK"));
    ASSERT_TRUE(isRed(ui()->quorColor));

    info->nextImage();
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("lab.tif"));
    EXPECT_EQ(ui()->quorColor->text(), QStringLiteral("CMYK"));
    EXPECT_TRUE(isRed(ui()->quorColor));
}

TEST_F(Inspector, UnreadableFileShowsTheEmptyMeasure)
{
    setControls(0, true, 300);
    const QString good = image(QStringLiteral("good.tif"), {.model = Model::CMYK, .dpi = 300});
    const QString bad = dir.filePath(QStringLiteral("not an image.tif"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is text, not a picture");
    file.close();

    info->createFromDragAndDrop({good, bad});
    info->nextImage();
    EXPECT_EQ(ui()->quorHeight->text(), QStringLiteral("0"));
    EXPECT_EQ(ui()->quorWidth->text(), QStringLiteral("0"));
    EXPECT_EQ(ui()->quorColor->text(), QStringLiteral("CMYK"));
    EXPECT_EQ(ui()->quorDpi->text(), QString::number(std::numeric_limits<int32_t>::min()));
    EXPECT_TRUE(isRed(ui()->quorDpi));
    EXPECT_EQ(ui()->namesLocation->text(), QStringLiteral("not an image.tif"));
    EXPECT_FALSE(waitForPreview(200));
}

TEST_F(Inspector, PreviewFollowsTheSwitch)
{
    setControls(1, true, 72, true);
    const QString path = image(QStringLiteral("preview.jpg"), {.width = 400, .height = 300, .model = Model::RGB});
    info->applicationOpenFiles({path});
    ASSERT_TRUE(waitForPreview());
    EXPECT_LE(ui()->inspectorQuorvel->pixmap().width(), ui()->inspectorQuorvel->width());

    prefs()->loSuich->setChecked(false);
    info->reCheckImage();
    info->previewLoader()->waitForPending();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ui()->inspectorQuorvel->pixmap().isNull());
}

// The preview fills the view, and is made again, larger, when the window grows.
TEST_F(Inspector, PreviewGrowsWithTheWindow)
{
    setControls(1, true, 72, true);
    const QString path = image(QStringLiteral("large.jpg"), {.width = 2400, .height = 1800, .model = Model::RGB});
    mainWindow->resize(640, 480);
    mainWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow.get()));
    info->createFromDragAndDrop({path}); // shows the inspector
    QLabel* view = ui()->inspectorQuorvel;
    const auto fills = [view] {
        const QSizeF shown = view->pixmap().deviceIndependentSize();
        const QSize room = view->contentsRect().size();
        return !view->pixmap().isNull() && shown.width() <= room.width() + 1 && shown.height() <= room.height() + 1
            && (shown.width() >= room.width() - 2 || shown.height() >= room.height() - 2);
    };
    ASSERT_TRUE(QTest::qWaitFor(fills, 10000)) << view->contentsRect().width() << " x " << view->contentsRect().height();
    EXPECT_GT(view->pixmap().width(), 240) << "larger than the view's least size";
    const QSizeF small = view->pixmap().deviceIndependentSize();
    EXPECT_EQ(view->pixmap().devicePixelRatio(), view->devicePixelRatioF());

    mainWindow->resize(1280, 960);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fills() && view->pixmap().deviceIndependentSize().width() > small.width(); }, 10000))
        << view->pixmap().width();
    EXPECT_GT(view->pixmap().height(), small.height());
}

// Passing values in the theme's own text colour, failing ones in a red that
// reads on the theme's background, light or dark.
TEST_F(Inspector, VerdictColoursReadOnLightAndDarkThemes)
{
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const auto contrast = [&](const QColor& a, const QColor& b) {
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    };
    setControls(0, true, 300);
    const QString path = image(QStringLiteral("rgb.tif"), {.model = Model::RGB, .dpi = 300});
    for (const auto& [base, text] : {std::pair{QColor(Qt::white), QColor(Qt::black)},
                                     std::pair{QColor(0x2a, 0x2a, 0x2a), QColor(0xee, 0xee, 0xee)},
                                     std::pair{QColor(0x12, 0x12, 0x12), QColor(Qt::white)}}) {
        QPalette theme = mainWindow->palette();
        theme.setColor(QPalette::Base, base);
        theme.setColor(QPalette::Text, text);
        mainWindow->setPalette(theme);
        info->applicationOpenFiles({path});
        ASSERT_FALSE(isRed(ui()->quorDpi));
        EXPECT_EQ(ui()->quorDpi->palette().color(QPalette::Text), text);
        const QColor red = ui()->quorColor->palette().color(QPalette::Text);
        ASSERT_TRUE(isRed(ui()->quorColor));
        EXPECT_GE(contrast(red, base), 4.5) << red.name().toStdString() << " on " << base.name().toStdString();
        EXPECT_GT(red.redF(), 2 * std::max(red.greenF(), red.blueF()));
    }
}

TEST_F(Inspector, CmykPreviewIsConvertedNotInverted)
{
    // A CMYK file with no ink at all is white paper, never black.
    const QString path = dir.filePath(QStringLiteral("paper.tif"));
    ASSERT_TRUE(writeTestImage(path, {.width = 64, .height = 64, .model = Model::CMYK, .dpi = 300, .fill = 0}));
    const QImage preview = platform::makePreview(path, QSize(32, 32));
    ASSERT_FALSE(preview.isNull());
    EXPECT_LE(preview.width(), 32);
    const QColor pixel = preview.pixelColor(preview.width() / 2, preview.height() / 2);
    EXPECT_GT(pixel.lightness(), 230);
}

TEST_F(Inspector, ChangeOfSettingsRechecksTheCurrentImage)
{
    setControls(1, true, 72);
    const QString path = image(QStringLiteral("web.png"), {.model = Model::RGB, .dpi = 72});
    info->applicationOpenFiles({path});
    ASSERT_FALSE(isRed(ui()->quorDpi));
    ASSERT_FALSE(isRed(ui()->quorColor));

    setControls(0, true, 300);
    notifications->post(QStringLiteral("cambiamento"));
    EXPECT_FALSE(isRed(ui()->quorDpi)) << "nothing happens before the event loop delivers";
    QCoreApplication::processEvents();
    EXPECT_TRUE(isRed(ui()->quorDpi));
    EXPECT_TRUE(isRed(ui()->quorColor));
}

TEST_F(Inspector, OneCheckTracesInOrder)
{
    setControls(0, true, 75);
    const QString path = image(QStringLiteral("trace.tif"), {.width = 10, .height = 20, .model = Model::CMYK, .dpi = 72});
    TraceRecorder traces;
    info->applicationOpenFiles({path});
    const QStringList lines = traces.lines();
    ASSERT_GE(lines.size(), 15);
    EXPECT_EQ(lines.at(0), QStringLiteral("#####################"));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("IMMAGINE APERTA: ")));
    const QStringList expected{
        QStringLiteral("#####################"),
        QStringLiteral("SCELTA COLORE: 0"),
        QStringLiteral("PREFERENZA ABILITATA?: 1"),
        QStringLiteral("pref -> dpi: 75"),
        QStringLiteral("1. dpiRichiesti: 72"),
        QStringLiteral("3. dpiRichiesti: 72"),
        QStringLiteral("Height: 20"),
        QStringLiteral("Width: 10"),
        QStringLiteral("Color Space: DeviceCMYK"),
        QStringLiteral("Dpi: 72"),
        QStringLiteral("nomideifiles ----->> : (\"%1\")").arg(path),
    };
    EXPECT_EQ(lines.mid(2, expected.size()), expected);
    EXPECT_TRUE(lines.at(2 + expected.size()).endsWith(QStringLiteral(": 0")));
    EXPECT_EQ(lines.last(), QStringLiteral("-->>>>> 1"));
}

TEST_F(Inspector, SliderOtherThanSeventyFiveTracesItsOwnValue)
{
    setControls(1, true, 300);
    const QString path = image(QStringLiteral("a.png"), {});
    TraceRecorder traces;
    info->createFromDragAndDrop({path});
    EXPECT_TRUE(traces.containsInOrder({QStringLiteral("CRIBBIO!!"), QStringLiteral("2. dpiRichiesti: 300"),
                                        QStringLiteral("3. dpiRichiesti: 300")}));
}

} // namespace
} // namespace quorvel::test
