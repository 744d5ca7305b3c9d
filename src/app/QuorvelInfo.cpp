#include "app/QuorvelInfo.h"

#include "app/MainWindow.h"
#include "app/VerdictColour.h"
#include "app/overview/BatchModel.h"
#include "app/overview/MeasureStore.h"
#include "platform/PathNames.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/PreviewMaker.h"
#include "platform/header/ImageFileReader.h"
#include "platform/loader/LoaderClient.h"
#include "settings/PreferencesWindow.h"

#include "ui_MainWindow.h"

#include <QFile>
#include <QPixmap>

namespace quorvel {
namespace {

QuorvelInfo* sharedController = nullptr;
const QString cambiamento = QStringLiteral("cambiamento");

// How long the preview waits for a resize to settle before it is made again.
constexpr int previewSettleMs = 150;

QString describe(const QString& path, const ImageMeasure& measure)
{
    if (measure.pixelsHigh == 0 && measure.pixelsWide == 0 && !measure.colourSpaceName)
        return QStringLiteral("(null)");
    return QStringLiteral("%1 (%2 x %3 px, %4 pt high, %5)")
        .arg(path)
        .arg(measure.pixelsWide)
        .arg(measure.pixelsHigh)
        .arg(static_cast<double>(measure.heightPoints), 0, 'f', 3)
        .arg(measure.colourSpaceName ? QString::fromStdString(*measure.colourSpaceName)
                                     : QStringLiteral("(null)"));
}

QString describe(const QStringList& files)
{
    QStringList quoted;
    quoted.reserve(files.size());
    for (const QString& file : files)
        quoted.append(QLatin1Char('"') + file + QLatin1Char('"'));
    return QLatin1Char('(') + quoted.join(QLatin1String(", ")) + QLatin1Char(')');
}

} // namespace

QuorvelInfo* QuorvelInfo::sharedInstance()
{
    if (!sharedController)
        sharedController = new QuorvelInfo();
    return sharedController;
}

void QuorvelInfo::releaseSharedInstance()
{
    delete sharedController;
    sharedController = nullptr;
}

QuorvelInfo::QuorvelInfo()
    : m_preview(new platform::PreviewLoader(this))
    , m_reader(std::make_unique<platform::ImageFileReader>())
{
    connect(m_preview, &platform::PreviewLoader::previewReady, this, &QuorvelInfo::showPreview);
    m_previewSettle.setSingleShot(true);
    m_previewSettle.setInterval(previewSettleMs);
    connect(&m_previewSettle, &QTimer::timeout, this, &QuorvelInfo::requestPreview);
}

QuorvelInfo::~QuorvelInfo()
{
    if (m_overview)
        m_overview->stop(); // its measures read through m_reader
    m_preview->waitForPending();
    if (sharedController == this)
        sharedController = nullptr;
}

void QuorvelInfo::connectOutlets(const Outlets& outlets)
{
    m_finestra = outlets.finestra;
    m_prefWindow = outlets.prefWindow;
    m_notifications = outlets.notifications;
    m_panels = outlets.panels;
    m_defaults = outlets.defaults;
    connectReportOutlets(); // batch report

    Ui::MainWindow* ui = form();
    m_previewView = ui->inspectorQuorvel;
    ui->inspectorQuorvel->installEventFilter(this); // the preview follows the view's size
    connect(ui->nextButton, &QAbstractButton::clicked, this, &QuorvelInfo::nextImage);
    connect(ui->prevButton, &QAbstractButton::clicked, this, &QuorvelInfo::prevImage);
    connect(ui->nextAction, &QAction::triggered, this, [this] {
        if (form()->nextButton->isEnabled())
            nextImage();
    });
    connect(ui->prevAction, &QAction::triggered, this, [this] {
        if (form()->prevButton->isEnabled())
            prevImage();
    });
    connect(ui->recheckAction, &QAction::triggered, this, &QuorvelInfo::reCheckImage);
    connect(ui->preferencesAction, &QAction::triggered, this, &QuorvelInfo::showPref);
    connectOverviewOutlets(); // before the batch's, which takes the form's fields
    connectBatchOutlets();
    connectViewerOutlets(outlets); // external viewer
    connectSetResolutionOutlets();
}

Ui::MainWindow* QuorvelInfo::form() const
{
    return m_finestra->form();
}

SettingControlsView QuorvelInfo::settingControls() const
{
    return m_prefWindow ? m_prefWindow->controls() : SettingControlsView();
}

void QuorvelInfo::awakeFromNib()
{
    showViewerLabel(); // external viewer, before anything else
    Ui::MainWindow* ui = form();
    ui->prevButton->setEnabled(false);
    ui->nextButton->setEnabled(false);
    ui->modifyButton->setEnabled(false);
    ui->reportButton->setEnabled(false);
    ui->prevAction->setEnabled(false);
    ui->nextAction->setEnabled(false);

    for (QLineEdit* field : {ui->quorColor, ui->quorDpi, ui->quorHeight, ui->quorWidth, ui->myCount, ui->namesLocation})
        field->setText(QString());
    ui->verdictBanner->setText(QString());

    if (m_notifications) {
        m_notifications->observe(cambiamento);
        connect(m_notifications, &platform::NotificationCenter::notified, this, [this](const QString& name) {
            if (name == cambiamento)
                aggiornaDatiAlNuovoSetting();
        });
    }
}

void QuorvelInfo::checkImage(const QStringList& files)
{
    if (m_contatore < 0 || m_contatore >= files.size())
        return;
    Ui::MainWindow* ui = form();
    const SettingControlsView controls = settingControls();
    const QString path = files.at(m_contatore);

    // One read per file and batch gives the measure and the details, shared
    // with the overview; the rules judge the record. The user waits for it:
    // a read made here may pass the overview's background measures.
    if (!m_measures)
        m_measures = std::make_shared<MeasureStore>(*m_reader);
    const platform::loader::InteractiveRequests interactive;
    ImageRecord record = m_measures->record(path);
    const ImageMeasure& measure = record.measure;
    qCInfo(lcInspector).noquote() << QStringLiteral("#####################");
    qCInfo(lcInspector).noquote() << QStringLiteral("IMMAGINE APERTA: %1").arg(describe(path, measure));
    qCInfo(lcInspector).noquote() << QStringLiteral("#####################");

    ui->quorHeight->setText(QString::number(measure.pixelsHigh));
    ui->quorWidth->setText(QString::number(measure.pixelsWide));

    const RuleControls rules = controls.ruleControls();
    // The total ink is read in the background by the overview, never here.
    if (m_overview && m_contatore < m_overview->rowCount() && m_overview->isMeasured(m_contatore))
        record.ink = m_overview->record(m_contatore).ink;
    judgeRecord(record, rules);
    const Judgement& verdicts = *record.judgement;
    qCInfo(lcInspector).noquote() << QStringLiteral("SCELTA COLORE: %1").arg(rules.selectedRow);
    qCInfo(lcInspector).noquote() << QStringLiteral("PREFERENZA ABILITATA?: %1").arg(rules.matrixEnabled ? 1 : 0);

    // Class Other leaves the field as the previous check left it.
    if (measure.colourClass != ColourClass::Other) {
        showVerdict(ui->quorColor, verdicts.colourFails);
        ui->quorColor->setText(QString::fromLatin1(colourLabel(measure.colourClass)));
    }

    qCInfo(lcInspector).noquote() << QStringLiteral("pref -> dpi: %1").arg(rules.sliderValue);
    const int32_t measured = record.measuredDpi;
    const int32_t required = verdicts.requiredDpi;
    if (rules.sliderValue == 75)
        qCInfo(lcInspector).noquote() << QStringLiteral("1. dpiRichiesti: %1").arg(required);
    else
        qCInfo(lcInspector).noquote() << QStringLiteral("2. dpiRichiesti: %1").arg(rules.sliderValue);
    qCInfo(lcInspector).noquote() << QStringLiteral("3. dpiRichiesti: %1").arg(required);

    showVerdict(ui->quorDpi, verdicts.dpiFails);
    ui->quorDpi->setText(QString::number(measured));

    qCInfo(lcInspector).noquote() << QStringLiteral("Height: %1").arg(measure.pixelsHigh);
    qCInfo(lcInspector).noquote() << QStringLiteral("Width: %1").arg(measure.pixelsWide);
    qCInfo(lcInspector).noquote() << QStringLiteral("Color Space: %1")
                                         .arg(measure.colourSpaceName
                                                  ? QString::fromStdString(*measure.colourSpaceName)
                                                  : QStringLiteral("(null)"));
    qCInfo(lcInspector).noquote() << QStringLiteral("Dpi: %1").arg(measured);
    qCInfo(lcInspector).noquote() << QStringLiteral("nomideifiles ----->> : %1").arg(describe(files));
    qCInfo(lcInspector).noquote() << QStringLiteral("Immagine corrente: %1").arg(m_contatore);

    ui->namesLocation->setText(lastPathComponent(path));
    ui->namesLocation->setCursorPosition(0);

    // An unreadable file has no preview, whether the switch is on or off.
    ui->inspectorQuorvel->clear();
    m_previewSettle.stop();
    if (controls.previewState() == 1 && record.readable && measure.pixelsHigh > 0 && measure.pixelsWide > 0) {
        m_previewPath = path;
        requestPreview();
    } else {
        m_previewPath.clear();
        m_preview->cancel();
    }
    ui->inspectorQuorvel->update();
    showDetails(record); // details, after everything above
    showVerdictBanner(record, rules, controls.selectedTitle());
}

QSize QuorvelInfo::previewBounds() const
{
    // In device pixels, so that a high-density screen gets a sharp preview.
    const QLabel* view = form()->inspectorQuorvel;
    const QSize logical = view->contentsRect().size().expandedTo(view->minimumSize());
    return logical * view->devicePixelRatioF();
}

void QuorvelInfo::requestPreview()
{
    if (!m_finestra || m_previewPath.isEmpty())
        return;
    m_previewBounds = previewBounds();
    m_preview->request(m_previewPath, m_previewBounds);
}

bool QuorvelInfo::eventFilter(QObject* watched, QEvent* event)
{
    // The view grew or shrank (the window, or the tab laid out for the first
    // time): once it settles, the preview of the current image is made again
    // at the new size.
    if (event->type() == QEvent::Resize && watched == m_previewView && !m_previewPath.isEmpty()
        && previewBounds() != m_previewBounds)
        m_previewSettle.start();
    return QObject::eventFilter(watched, event);
}

void QuorvelInfo::showPreview(const QImage& image)
{
    if (!m_finestra)
        return;
    QLabel* view = form()->inspectorQuorvel;
    if (image.isNull()) {
        view->clear();
    } else {
        QPixmap pixmap = QPixmap::fromImage(image);
        pixmap.setDevicePixelRatio(view->devicePixelRatioF());
        view->setPixmap(pixmap);
    }
    view->update();
}

void QuorvelInfo::aggiornaDatiAlNuovoSetting()
{
    qCInfo(lcInspector).noquote() << QStringLiteral("--------->> RE-CHECK");
    rejudgeOverview();
    reCheckImage();
}

void QuorvelInfo::reCheckImage()
{
    if (m_nomideifiles)
        checkImage(*m_nomideifiles);
}

void QuorvelInfo::showPref()
{
    if (!m_prefWindow)
        return;
    m_prefWindow->show();
    m_prefWindow->raise();
    m_prefWindow->activateWindow();
}

} // namespace quorvel
