#include "settings/PreferencesWindow.h"

#include "ui_PreferencesWindow.h"

#include <QSignalBlocker>

namespace quorvel {

PreferencesWindow::PreferencesWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_form(std::make_unique<Ui::PreferencesWindow>())
{
    m_form->setupUi(this);
    QButtonGroup* rows = m_form->laMatriceRows;
    rows->setId(m_form->cmykButton, 0);
    rows->setId(m_form->rgbButton, 1);
    rows->setId(m_form->grayscaleButton, 2);

    // The slider reports a drag once, on release (tracking is off in the
    // form); keys, clicks and the numeric box report at once. Values that a
    // setting puts in go through setSliderValue and report nothing.
    connect(m_form->loSlide, &QSlider::sliderMoved, this, [this](int value) {
        const QSignalBlocker block(m_form->dpiBox);
        m_form->dpiBox->setValue(value);
    });
    connect(m_form->loSlide, &QSlider::valueChanged, this, [this](int value) {
        const QSignalBlocker block(m_form->dpiBox);
        m_form->dpiBox->setValue(value);
        Q_EMIT valueControlChanged();
    });
    connect(m_form->dpiBox, &QSpinBox::valueChanged, this, [this](int value) {
        const QSignalBlocker block(m_form->loSlide);
        m_form->loSlide->setValue(value);
        Q_EMIT valueControlChanged();
    });
    connect(m_form->loSuich, &QAbstractButton::clicked, this, &PreferencesWindow::valueControlChanged);
    connect(rows, &QButtonGroup::idClicked, this, &PreferencesWindow::valueControlChanged);
}

PreferencesWindow::~PreferencesWindow() = default;

SettingControlsView PreferencesWindow::controls() const
{
    return SettingControlsView(m_form->loSuich, m_form->laMatrice, m_form->laMatriceRows, m_form->loSlide,
                               m_form->mioPopUp);
}

void PreferencesWindow::setSliderValue(int value)
{
    const QSignalBlocker blockSlider(m_form->loSlide);
    const QSignalBlocker blockBox(m_form->dpiBox);
    m_form->loSlide->setValue(value);
    m_form->dpiBox->setValue(m_form->loSlide->value());
}

void PreferencesWindow::selectMatrixRow(int row)
{
    QButtonGroup* rows = m_form->laMatriceRows;
    if (QAbstractButton* button = rows->button(row)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its last button; lift that briefly.
    rows->setExclusive(false);
    if (QAbstractButton* checked = rows->checkedButton())
        checked->setChecked(false);
    rows->setExclusive(true);
}

} // namespace quorvel
