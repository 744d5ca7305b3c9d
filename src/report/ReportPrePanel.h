#pragma once

#include "report/ReportOptions.h"

#include <QDialog>

#include <memory>

namespace Ui {
class ReportPrePanel;
}

namespace quorvel {

// The report's pre-panel: a window-modal dialog on the main window with the
// seven report boxes. Made once; the boxes keep the user's last choice.
class ReportPrePanel : public QDialog {
    Q_OBJECT
public:
    explicit ReportPrePanel(QWidget* parent);
    ~ReportPrePanel() override;

    Ui::ReportPrePanel* form() const { return m_form.get(); }
    ReportOptions options() const;

Q_SIGNALS:
    void dismissRequested();
    void reportRequested();

private:
    std::unique_ptr<Ui::ReportPrePanel> m_form;
};

} // namespace quorvel
