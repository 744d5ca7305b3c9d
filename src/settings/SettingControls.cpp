#include "settings/SettingControls.h"

#include "settings/PreferencesWindow.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QSlider>

namespace quorvel {

SettingControlsView::SettingControlsView(const QAbstractButton* previewSwitch, const QWidget* matrix,
                                         const QButtonGroup* matrixRows, const QSlider* slider,
                                         const QComboBox* popUp)
    : m_previewSwitch(previewSwitch)
    , m_matrix(matrix)
    , m_matrixRows(matrixRows)
    , m_slider(slider)
    , m_popUp(popUp)
{
}

int SettingControlsView::previewState() const
{
    return m_previewSwitch && m_previewSwitch->isChecked() ? 1 : 0;
}

int SettingControlsView::selectedRow() const
{
    return m_matrixRows ? m_matrixRows->checkedId() : -1;
}

bool SettingControlsView::matrixEnabled() const
{
    return m_matrix && m_matrix->isEnabled();
}

int SettingControlsView::sliderValue() const
{
    return m_slider ? m_slider->value() : 0;
}

QString SettingControlsView::selectedTitle() const
{
    return m_popUp && m_popUp->currentIndex() >= 0 ? m_popUp->currentText() : QString();
}

PrintDemands SettingControlsView::demands() const
{
    return m_window ? m_window->demands() : PrintDemands{};
}

RuleControls SettingControlsView::ruleControls() const
{
    return RuleControls{selectedRow(), matrixEnabled(), sliderValue(), demands()};
}

} // namespace quorvel
