#include "app/MainWindow.h"

#include "ui_MainWindow.h"

namespace quorvel {

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_form(std::make_unique<Ui::MainWindow>())
{
    m_form->setupUi(this);
    connect(m_form->quitAction, &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

MainWindow::~MainWindow() = default;

} // namespace quorvel
