#pragma once

#include <QObject>
#include <QPointer>

class QComboBox;

namespace quorvel {

class PrefManager;

// The main window's "Checking against" pop-up: the preferences pop-up's
// items and selection, mirrored. A pick in it is a pick in the preferences
// window, through the preferences controller, so both always agree.
class SettingPicker : public QObject {
    Q_OBJECT
public:
    // `preferencesPopUp` is the settings pop-up of the preferences window.
    SettingPicker(QComboBox* mirror, QComboBox* preferencesPopUp, PrefManager* prefManager,
                  QObject* parent = nullptr);

    // Copies the preferences pop-up's items and selection into the mirror.
    void follow();

private:
    void pick(int index);

    QPointer<QComboBox> m_mirror;
    QPointer<QComboBox> m_source;
    QPointer<PrefManager> m_prefManager;
    bool m_followPending = false;
};

} // namespace quorvel
