#pragma once

#include "check/CheckRules.h"

#include <QString>

class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QSlider;
class QWidget;

namespace quorvel {

class PreferencesWindow;

// The four live controls of the preferences window as their readers see
// them: the inspector and the report read these afresh at every check, so
// no copy of the current setting exists anywhere else.
class SettingControlsView {
public:
    SettingControlsView() = default;
    SettingControlsView(const QAbstractButton* previewSwitch, const QWidget* matrix,
                        const QButtonGroup* matrixRows, const QSlider* slider, const QComboBox* popUp);

    bool isValid() const { return m_slider != nullptr; }

    int previewState() const;   // 1 on, 0 off
    int selectedRow() const;    // 0 CMYK, 1 RGB, 2 Grayscale, -1 none
    bool matrixEnabled() const;
    int sliderValue() const;
    QString selectedTitle() const; // empty when the pop-up shows no item
    // The print checks of the window's group; none without a window.
    PrintDemands demands() const;
    RuleControls ruleControls() const;
    void setDemandsSource(const PreferencesWindow* window) { m_window = window; }

private:
    const QAbstractButton* m_previewSwitch = nullptr;
    const QWidget* m_matrix = nullptr;
    const QButtonGroup* m_matrixRows = nullptr;
    const QSlider* m_slider = nullptr;
    const QComboBox* m_popUp = nullptr;
    const PreferencesWindow* m_window = nullptr;
};

} // namespace quorvel
