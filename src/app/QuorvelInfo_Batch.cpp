// The batch of files under inspection: the three ways a new batch comes in,
// and stepping through it with wrap-around.
#include "app/QuorvelInfo.h"

#include "app/MainWindow.h"
#include "platform/ImageTypes.h"
#include "platform/Log.h"
#include "platform/Panels.h"

#include "ui_MainWindow.h"

#include <QKeyEvent>

namespace quorvel {
namespace {

// Read-only fields would take Left and Right for their cursor, so the step
// keys of the window never fired while one of them has the focus. With a
// modifier the keys stay the field's (Shift+Left still selects).
class StepKeysPassThrough : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto* field = qobject_cast<QLineEdit*>(watched);
            const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
            if (field && field->isReadOnly() && plain && (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QStringList imageNameFilters()
{
    QStringList patterns;
    for (const QString& suffix : platform::readableImageSuffixes())
        patterns << QStringLiteral("*.") + suffix << QStringLiteral("*.") + suffix.toUpper();
    if (patterns.isEmpty())
        return {};
    return {QuorvelInfo::tr("Images (%1)").arg(patterns.join(QLatin1Char(' ')))};
}

} // namespace

void QuorvelInfo::connectBatchOutlets()
{
    Ui::MainWindow* ui = form();
    connect(ui->openAction, &QAction::triggered, this, &QuorvelInfo::openImage);
    connect(ui->openButton, &QAbstractButton::clicked, this, &QuorvelInfo::openImage);

    // The step keys belong to the window, so they work wherever its focus is;
    // the actions are enabled only while the batch has two or more files.
    ui->prevAction->setShortcuts({QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_PageUp)});
    ui->nextAction->setShortcuts({QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_PageDown)});
    ui->prevAction->setShortcutContext(Qt::WindowShortcut);
    ui->nextAction->setShortcutContext(Qt::WindowShortcut);
    // Also when the menu bar is not the window's own (a desktop's global menu).
    m_finestra->addAction(ui->prevAction);
    m_finestra->addAction(ui->nextAction);

    // Drops belong to the drop target underneath, not to the fields above it,
    // which would take a dragged file name as text.
    auto* passThrough = new StepKeysPassThrough(m_finestra);
    const QList<QLineEdit*> fields = m_finestra->findChildren<QLineEdit*>();
    for (QLineEdit* field : fields) {
        field->setAcceptDrops(false);
        field->installEventFilter(passThrough);
    }
    // The details box too: its viewport would take the drag from the drop
    // target on the way across, with extra enter and leave traces.
    ui->details->setAcceptDrops(false);
    ui->details->viewport()->setAcceptDrops(false);
}

void QuorvelInfo::showCounter()
{
    form()->myCount->setText(QStringLiteral("%1/%2").arg(m_contatore + 1).arg(m_totale));
}

void QuorvelInfo::enableNavigation()
{
    Ui::MainWindow* ui = form();
    const bool several = m_totale >= 2;
    if (several) {
        ui->prevButton->setEnabled(true);
        ui->nextButton->setEnabled(true);
        showCounter();
    } else {
        ui->myCount->setText(QString());
        ui->prevButton->setEnabled(false);
        ui->nextButton->setEnabled(false);
    }
    ui->prevAction->setEnabled(several);
    ui->nextAction->setEnabled(several);
}

void QuorvelInfo::openImage()
{
    if (!m_finestra || !m_panels)
        return;
    platform::Panels::OpenRequest request;
    request.title = tr("Choose");
    request.prompt = tr("Select");
    request.nameFilters = imageNameFilters();
    request.multiple = true;
    const QStringList chosen = m_panels->chooseFiles(m_finestra, request);
    if (!chosen.isEmpty())
        createFromDragAndDrop(chosen);
    // Confirmed or cancelled, the inspector is what the user sees next.
    form()->tabelleVista->setCurrentIndex(1);
}

void QuorvelInfo::createFromDragAndDrop(const QStringList& files)
{
    if (files.isEmpty() || !m_finestra)
        return; // a batch without a current file would be meaningless
    m_nomideifiles = files;
    qCInfo(lcInspector).noquote() << QStringLiteral("CRIBBIO!!");
    m_totale = static_cast<int>(files.size());
    form()->modifyButton->setEnabled(true);
    form()->reportButton->setEnabled(true);
    m_contatore = 0;
    enableNavigation();
    showBatchInOverview();
    checkImage(*m_nomideifiles);
    form()->tabelleVista->setCurrentIndex(1);
}

void QuorvelInfo::applicationOpenFiles(const QStringList& files)
{
    if (files.isEmpty() || !m_finestra)
        return;
    m_nomideifiles = files;
    m_contatore = 0;
    showBatchInOverview();
    checkImage(*m_nomideifiles);
    m_totale = static_cast<int>(files.size());
    form()->modifyButton->setEnabled(true);
    form()->reportButton->setEnabled(true);
    qCInfo(lcInspector).noquote() << QStringLiteral("-->>>>> %1").arg(m_totale);
    enableNavigation();
}

void QuorvelInfo::nextImage()
{
    if (!m_nomideifiles || m_totale < 1 || !m_finestra)
        return;
    ++m_contatore;
    if (m_contatore >= m_totale)
        m_contatore = 0;
    showCounter();
    checkImage(*m_nomideifiles);
}

void QuorvelInfo::prevImage()
{
    if (!m_nomideifiles || m_totale < 1 || !m_finestra)
        return;
    if (m_contatore == 0)
        m_contatore = m_totale - 1;
    else
        --m_contatore;
    showCounter();
    checkImage(*m_nomideifiles);
}

} // namespace quorvel
