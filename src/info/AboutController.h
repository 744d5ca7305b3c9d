#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class QuorvelAboutPanel;
}

namespace quorvel {

namespace platform {
class Workspace;
}

// The About panel, made from its form on first use and kept for the rest of
// the run (closing only hides it), and the link to the maker's home page.
class AboutController : public QObject {
    Q_OBJECT
public:
    AboutController(platform::Workspace* workspace, QWidget* window, QObject* parent = nullptr);
    ~AboutController() override;

    // Empty until the first showAboutPanel.
    QDialog* aboutPanel() const { return m_aboutPanel; }
    Ui::QuorvelAboutPanel* form() const { return m_form.get(); }

public Q_SLOTS:
    void showAboutPanel();
    void goToSite();

private:
    void loadAboutPanel();

    platform::Workspace* m_workspace;
    QPointer<QWidget> m_window;
    QPointer<QDialog> m_aboutPanel;
    std::unique_ptr<Ui::QuorvelAboutPanel> m_form;
};

} // namespace quorvel
