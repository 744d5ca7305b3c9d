#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class MainWindow;
}

namespace quorvel {

// The main window as its form lays it out; the controllers drive its widgets.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    Ui::MainWindow* form() const { return m_form.get(); }

private:
    std::unique_ptr<Ui::MainWindow> m_form;
};

} // namespace quorvel
