#include "settings/PreferencesWindow.h"

#include "ui_PreferencesWindow.h"

#include <QSignalBlocker>

#include <initializer_list>

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

    // The print checks: sizes offered by name, any other typed.
    for (const TrimSize& size : namedTrimSizes())
        m_form->printSizeBox->addItem(QString::fromStdString(size.name));
    m_form->printSizeBox->setCurrentIndex(1); // A4
    for (QAbstractButton* box : {static_cast<QAbstractButton*>(m_form->printSizeCheck), static_cast<QAbstractButton*>(m_form->inkCheck),
                                 static_cast<QAbstractButton*>(m_form->profileCheck), static_cast<QAbstractButton*>(m_form->alphaCheck),
                                 static_cast<QAbstractButton*>(m_form->extraChannelsCheck)})
        connect(box, &QAbstractButton::clicked, this, &PreferencesWindow::valueControlChanged);
    connect(m_form->printSizeBox, &QComboBox::activated, this, &PreferencesWindow::valueControlChanged);
    connect(m_form->printSizeBox->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (m_form->printSizeCheck->isChecked())
            Q_EMIT valueControlChanged();
    });
    connect(m_form->bleedBox, &QDoubleSpinBox::valueChanged, this, &PreferencesWindow::valueControlChanged);
    connect(m_form->inkLimitBox, &QSpinBox::valueChanged, this, &PreferencesWindow::valueControlChanged);
    connect(m_form->inkToleranceBox, &QDoubleSpinBox::valueChanged, this, &PreferencesWindow::valueControlChanged);
    connect(m_form->profileText, &QLineEdit::editingFinished, this, [this] {
        if (m_form->profileCheck->isChecked())
            Q_EMIT valueControlChanged();
    });
}

PrintDemands PreferencesWindow::demands() const
{
    PrintDemands d;
    if (!m_form->printChecks->isEnabled())
        return d;
    if (m_form->printSizeCheck->isChecked()) {
        d.trim = parseTrimSize(m_form->printSizeBox->currentText().toStdString());
        d.bleedMm = m_form->bleedBox->value();
    }
    if (m_form->inkCheck->isChecked()) {
        d.inkLimitPercent = m_form->inkLimitBox->value();
        d.inkToleranceMm2 = m_form->inkToleranceBox->value();
    }
    if (m_form->profileCheck->isChecked()) {
        d.requireProfile = true;
        d.profileContains = m_form->profileText->text().trimmed().toStdString();
    }
    d.noTransparency = m_form->alphaCheck->isChecked();
    d.noExtraChannels = m_form->extraChannelsCheck->isChecked();
    return d;
}

void PreferencesWindow::setDemands(const PrintDemands& d)
{
    const QSignalBlocker blockSize(m_form->printSizeBox);
    const QSignalBlocker blockBleed(m_form->bleedBox);
    const QSignalBlocker blockInk(m_form->inkLimitBox);
    const QSignalBlocker blockTolerance(m_form->inkToleranceBox);
    const QSignalBlocker blockText(m_form->profileText);
    m_form->printSizeCheck->setChecked(d.trim.has_value());
    if (d.trim) {
        const QString name = QString::fromStdString(d.trim->name);
        const int index = name.isEmpty() ? -1 : m_form->printSizeBox->findText(name);
        if (index >= 0)
            m_form->printSizeBox->setCurrentIndex(index);
        else
            m_form->printSizeBox->setEditText(QStringLiteral("%1x%2mm").arg(d.trim->widthMm).arg(d.trim->heightMm));
        m_form->bleedBox->setValue(d.bleedMm);
    }
    m_form->inkCheck->setChecked(d.inkLimitPercent.has_value());
    if (d.inkLimitPercent) {
        m_form->inkLimitBox->setValue(*d.inkLimitPercent);
        m_form->inkToleranceBox->setValue(d.inkToleranceMm2);
    }
    m_form->profileCheck->setChecked(d.requireProfile);
    m_form->profileText->setText(QString::fromStdString(d.profileContains));
    m_form->alphaCheck->setChecked(d.noTransparency);
    m_form->extraChannelsCheck->setChecked(d.noExtraChannels);
}

PreferencesWindow::~PreferencesWindow() = default;

SettingControlsView PreferencesWindow::controls() const
{
    SettingControlsView view(m_form->loSuich, m_form->laMatrice, m_form->laMatriceRows, m_form->loSlide,
                             m_form->mioPopUp);
    view.setDemandsSource(this);
    return view;
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
