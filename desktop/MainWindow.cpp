#include "desktop/MainWindow.h"

#include <QCloseEvent>
#include <QTimer>

namespace keldra {

namespace {
constexpr int refrontDelayMs = 150;
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QStringLiteral("Orlivane Keldra"));
    resize(defaultWidth, defaultHeight);
}

void MainWindow::setRootView(QWidget* root) {
    // QMainWindow deletes the previous central widget.
    setCentralWidget(root);
}

void MainWindow::openMainWindow() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    QPointer<MainWindow> self(this);
    QTimer::singleShot(refrontDelayMs, this, [self] {
        if (self && self->isVisible()) {
            self->raise();
            self->activateWindow();
        }
    });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    emit closedByUser();
}

} // namespace keldra
