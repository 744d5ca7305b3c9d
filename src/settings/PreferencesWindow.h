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

Q_SIGNALS:
    // The user changed the preview switch, the colour choice or the resolution.
    void valueControlChanged();

private:
    std::unique_ptr<Ui::PreferencesWindow> m_form;
};

} // namespace quorvel
