#include "settings/PrefManager.h"

#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/Panels.h"
#include "settings/PreferencesWindow.h"

#include "ui_DeleteSettingSheet.h"
#include "ui_PreferencesWindow.h"
#include "ui_SettingNameSheet.h"

#include <QSignalBlocker>

namespace quorvel {
namespace {
const QString cambiamento = QStringLiteral("cambiamento");
} // namespace

PrefManager::PrefManager(platform::DefaultsStore& store, PreferencesWindow* finestra,
                         platform::NotificationCenter* notifications, platform::Panels* panels, QObject* parent)
    : QObject(parent)
    , m_finestra(finestra)
    , m_notifications(notifications)
    , m_panels(panels)
    , m_tuttiSettings(store)
    , m_nameForm(std::make_unique<Ui::SettingNameSheet>())
    , m_deleteForm(std::make_unique<Ui::DeleteSettingSheet>())
{
    // Both sheets are modal for the preferences window only.
    m_settingName = new QDialog(finestra);
    m_nameForm->setupUi(m_settingName);
    m_settingName->setWindowModality(Qt::WindowModal);
    m_finestraBeforeDelete = new QDialog(finestra);
    m_deleteForm->setupUi(m_finestraBeforeDelete);
    m_finestraBeforeDelete->setWindowModality(Qt::WindowModal);

    connect(m_nameForm->confirmButton, &QAbstractButton::clicked, this, &PrefManager::addSetting);
    connect(m_nameForm->cancelButton, &QAbstractButton::clicked, m_settingName, &QDialog::reject);
    connect(m_deleteForm->confirmButton, &QAbstractButton::clicked, this, &PrefManager::yesDeleteSelectedPref);
    connect(m_deleteForm->cancelButton, &QAbstractButton::clicked, this, &PrefManager::cancelDeletePref);

    Ui::PreferencesWindow* form = finestra->form();
    connect(form->mioPopUp, &QComboBox::activated, this, &PrefManager::setThisPref);
    connect(finestra, &PreferencesWindow::valueControlChanged, this, &PrefManager::takeNewValues);
    connect(form->addButton, &QAbstractButton::clicked, this, &PrefManager::openSetNamePanel);
    connect(form->deleteButton, &QAbstractButton::clicked, this, &PrefManager::openAlertPanel);
    connect(form->mioPopUp, &QComboBox::currentIndexChanged, this, &PrefManager::showDeleteButtonState);
}

PrefManager::~PrefManager() = default;

void PrefManager::setValueControlsEnabled(bool enabled)
{
    Ui::PreferencesWindow* form = m_finestra->form();
    form->loSuich->setEnabled(enabled);
    form->laMatrice->setEnabled(enabled);
    form->loSlide->setEnabled(enabled);
    form->dpiBox->setEnabled(enabled);
    form->printChecks->setEnabled(enabled);
}

int PrefManager::indexOfItemWithTitle(const QString& title) const
{
    return m_finestra->form()->mioPopUp->findText(title, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void PrefManager::selectItemWithTitle(const QString& title)
{
    // No item bears the title (a deleted "None"): the pop-up shows none.
    const QSignalBlocker block(m_finestra->form()->mioPopUp);
    m_finestra->form()->mioPopUp->setCurrentIndex(indexOfItemWithTitle(title));
    showDeleteButtonState();
}

void PrefManager::showDeleteButtonState()
{
    // Nothing selected: no name to put in the question, nothing to delete.
    Ui::PreferencesWindow* form = m_finestra->form();
    form->deleteButton->setEnabled(form->mioPopUp->currentIndex() >= 0);
}

void PrefManager::fillPopUp()
{
    QComboBox* popUp = m_finestra->form()->mioPopUp;
    const QStringList names = m_tuttiSettings.names();
    QStringList items;
    for (int i = 0; i < popUp->count(); ++i)
        items.append(popUp->itemText(i));
    if (items == names)
        return;
    const QSignalBlocker block(popUp);
    popUp->clear();
    popUp->addItems(names);
    popUp->setCurrentIndex(-1);
}

void PrefManager::broadcast()
{
    if (m_notifications)
        m_notifications->post(cambiamento);
}

void PrefManager::awakeFromNib()
{
    setValueControlsEnabled(false);
    qCInfo(lcSettings).noquote() << QStringLiteral("--> %1").arg(SettingsList::describe(m_tuttiSettings.entries()));
    QComboBox* popUp = m_finestra->form()->mioPopUp;
    const QSignalBlocker block(popUp);
    popUp->clear();
    for (const Setting& setting : m_tuttiSettings.entries()) {
        popUp->addItem(setting.name);
        qCInfo(lcSettings).noquote() << QStringLiteral("BAZZE %1").arg(setting.name);
    }
    // No setting is applied until the user picks one.
    popUp->setCurrentIndex(-1);
    showDeleteButtonState();
    Q_EMIT popUpChanged();
}

void PrefManager::setThisPref(int index)
{
    Ui::PreferencesWindow* form = m_finestra->form();
    if (index < 0 || index >= form->mioPopUp->count())
        return;
    setValueControlsEnabled(true);
    const QString name = form->mioPopUp->itemText(index);
    // Two settings of one name: the earlier one is always the one applied.
    const std::optional<SettingValues> values = m_tuttiSettings.valuesAt(indexOfItemWithTitle(name));
    if (!values)
        return;
    {
        const QSignalBlocker block(form->loSuich);
        form->loSuich->setChecked(values->preview != 0);
    }
    m_finestra->selectMatrixRow(values->colourRow);
    m_finestra->setSliderValue(values->dpi);
    // Settings of one name share their print checks.
    m_finestra->setDemands(m_tuttiSettings.demandsOf(name));
    if (values->disabled == 1)
        setValueControlsEnabled(false);

    const SettingControlsView controls = m_finestra->controls();
    qCInfo(lcSettings).noquote() << QStringLiteral("Hai scelto %1").arg(name);
    qCInfo(lcSettings).noquote() << QStringLiteral("Le preferenze sono %1, %2, %3")
                                        .arg(controls.previewState())
                                        .arg(controls.selectedRow())
                                        .arg(controls.sliderValue());
    broadcast();
    qCInfo(lcSettings).noquote() << QStringLiteral("--------->> CATTURATO IL SETTING!");
    Q_EMIT popUpChanged();
}

void PrefManager::takeNewValues()
{
    broadcast();
    qCInfo(lcSettings).noquote() << QStringLiteral("--------->> CATTURATO!");
}

void PrefManager::openSetNamePanel()
{
    const SettingControlsView controls = m_finestra->controls();
    // A setting made by the user never disables the controls.
    m_temp = SettingValues{controls.previewState(), controls.selectedRow(), controls.sliderValue(), 0};
    m_tempDemands = controls.demands();
    m_nameForm->givenName->setText(QString());
    m_settingName->open();
    m_nameForm->givenName->setFocus();
}

void PrefManager::addSetting()
{
    const QString name = m_nameForm->givenName->text();
    qCInfo(lcSettings).noquote() << QStringLiteral("Questo setting si chiama: %1").arg(name);
    if (name.isEmpty()) {
        if (m_panels)
            m_panels->beep();
        qCInfo(lcSettings).noquote() << QStringLiteral("DONO");
        return;
    }
    qCInfo(lcSettings).noquote() << QStringLiteral("thisSetting %1").arg(SettingsList::describe(m_temp));
    m_tuttiSettings.append(name, m_temp, m_tempDemands);
    qCInfo(lcSettings).noquote() << QStringLiteral("tuttiSettings: %1").arg(SettingsList::describe(m_tuttiSettings.entries()));

    // The list is the stored one now, which another running copy may have
    // changed meanwhile: item i always names entry i.
    fillPopUp();
    selectItemWithTitle(name);
    m_settingName->accept();
    Q_EMIT popUpChanged();
}

void PrefManager::openAlertPanel()
{
    m_itemToDelete = m_finestra->controls().selectedTitle();
    qCInfo(lcSettings).noquote() << QStringLiteral("Cancello. %1").arg(m_itemToDelete);
    // The name goes in once, as it is: a "%" in it is never read as a template.
    QString question = tr("Really delete %@ setting?");
    const qsizetype at = question.indexOf(QLatin1String("%@"));
    if (at >= 0)
        question.replace(at, 2, m_itemToDelete);
    m_deleteForm->alertBeforeDelete->setText(question);
    m_finestraBeforeDelete->open();
}

void PrefManager::cancelDeletePref()
{
    m_finestraBeforeDelete->reject();
}

void PrefManager::yesDeleteSelectedPref()
{
    QComboBox* popUp = m_finestra->form()->mioPopUp;
    const int index = indexOfItemWithTitle(m_itemToDelete);
    if (index >= 0) {
        m_tuttiSettings.removeFirst(m_itemToDelete);
        const QSignalBlocker block(popUp);
        popUp->removeItem(index);
    } else {
        // Nothing selected: the list is written unchanged, as after any delete.
        m_tuttiSettings.storeUnchanged();
    }
    fillPopUp(); // in step again if another running copy changed the list
    qCInfo(lcSettings).noquote() << QStringLiteral("*** CANCELLATO.");
    qCInfo(lcSettings).noquote() << QStringLiteral("*** ATTIVO NONE.");
    selectItemWithTitle(QCoreApplication::translate("Settings", "None"));
    setValueControlsEnabled(false);
    m_finestraBeforeDelete->accept();
    Q_EMIT popUpChanged();
}

} // namespace quorvel
