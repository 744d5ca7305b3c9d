#pragma once

#include "settings/SettingsList.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QDialog;

namespace Ui {
class SettingNameSheet;
class DeleteSettingSheet;
} // namespace Ui

namespace quorvel {

class PreferencesWindow;

namespace platform {
class DefaultsStore;
class NotificationCenter;
class Panels;
} // namespace platform

// The controller of the preferences window: fills the settings pop-up,
// applies the picked setting to the shared controls, tells every running
// copy to re-check, and adds and deletes settings through two sheets.
class PrefManager : public QObject {
    Q_OBJECT
public:
    // Loads the settings list.
    PrefManager(platform::DefaultsStore& store, PreferencesWindow* finestra,
                platform::NotificationCenter* notifications, platform::Panels* panels, QObject* parent = nullptr);
    ~PrefManager() override;

    void awakeFromNib();

    const SettingsList& tuttiSettings() const { return m_tuttiSettings; }
    QDialog* settingName() const { return m_settingName; }
    QDialog* finestraBeforeDelete() const { return m_finestraBeforeDelete; }
    Ui::SettingNameSheet* nameSheetForm() const { return m_nameForm.get(); }
    Ui::DeleteSettingSheet* deleteSheetForm() const { return m_deleteForm.get(); }

public Q_SLOTS:
    // The user picked the pop-up item at `index`.
    void setThisPref(int index);
    void takeNewValues();
    void openSetNamePanel();
    void addSetting();
    void openAlertPanel();
    void yesDeleteSelectedPref();
    void cancelDeletePref();

Q_SIGNALS:
    // The pop-up's items or its selection may have changed: after it is
    // filled, after a pick, an add and a delete. Mirrors of the pop-up follow it.
    void popUpChanged();

private:
    void setValueControlsEnabled(bool enabled);
    int indexOfItemWithTitle(const QString& title) const;
    void selectItemWithTitle(const QString& title);
    // Keeps the pop-up's items the list's names, in order.
    void fillPopUp();
    void showDeleteButtonState();
    void broadcast();

    QPointer<PreferencesWindow> m_finestra;
    QPointer<platform::NotificationCenter> m_notifications;
    platform::Panels* m_panels = nullptr;

    SettingsList m_tuttiSettings;
    SettingValues m_temp;
    PrintDemands m_tempDemands;
    QString m_itemToDelete;

    QDialog* m_settingName = nullptr;
    QDialog* m_finestraBeforeDelete = nullptr;
    std::unique_ptr<Ui::SettingNameSheet> m_nameForm;
    std::unique_ptr<Ui::DeleteSettingSheet> m_deleteForm;
};

} // namespace quorvel
