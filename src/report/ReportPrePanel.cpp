#include "report/ReportPrePanel.h"

#include "ui_ReportPrePanel.h"

namespace quorvel {

ReportPrePanel::ReportPrePanel(QWidget* parent)
    : QDialog(parent)
    , m_form(std::make_unique<Ui::ReportPrePanel>())
{
    m_form->setupUi(this);
    setWindowModality(Qt::WindowModal);
    connect(m_form->dismiss, &QAbstractButton::clicked, this, &ReportPrePanel::dismissRequested);
    connect(m_form->report, &QAbstractButton::clicked, this, &ReportPrePanel::reportRequested);
    // Escape and the window's close box dismiss, like the dismiss button.
    connect(this, &QDialog::rejected, this, &ReportPrePanel::dismissRequested);
}

ReportPrePanel::~ReportPrePanel() = default;

ReportOptions ReportPrePanel::options() const
{
    const auto state = [](const QAbstractButton* box) { return box->isChecked() ? 1 : 0; };
    return ReportOptions{state(m_form->pictOk),   state(m_form->pictWrong), state(m_form->pictPath),
                         state(m_form->pictName), state(m_form->pictSize),  state(m_form->pictColor),
                         state(m_form->pictDpi)};
}

} // namespace quorvel
