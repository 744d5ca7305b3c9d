#pragma once

#include "settings/SettingControls.h"

#include <QWidget>

#include <memory>

namespace Ui {
class PreferencesWindow;
}

namespace quorvel {

// The preferences window: its form holds the four shared setting controls.
// The slider and its numeric box stay in step; the slider reports a change
// only when released, so one drag is one change.
class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    explicit PreferencesWindow(QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    Ui::PreferencesWindow* form() const { return m_form.get(); }
    SettingControlsView controls() const;

    // Puts a setting's resolution in, without reporting a change by the user.
    void setSliderValue(int value);
    // Selects row 0 CMYK, 1 RGB, 2 Grayscale, or none for -1.
    void selectMatrixRow(int row);
    // The print checks as the group shows them: none while it is disabled,
    // a print size only when its text names one.
    PrintDemands demands() const;
    // Puts a setting's print checks in, without reporting a change by the user.
    void setDemands(const PrintDemands& demands);

Q_SIGNALS:
    // The user changed the preview switch, the colour choice, the resolution
    // or a print check.
    void valueControlChanged();

private:
    std::unique_ptr<Ui::PreferencesWindow> m_form;
};

} // namespace quorvel
