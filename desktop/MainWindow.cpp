#include "desktop/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
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

bool MainWindow::focusNextPrevChild(bool next) {
    QWidget* content = centralWidget();
    if (content && !handingTabToContent_ && !content->isAncestorOf(QApplication::focusWidget())) {
        // The content's own Tab handling is reached through the key it answers.
        QKeyEvent press(QEvent::KeyPress, next ? Qt::Key_Tab : Qt::Key_Backtab,
                        next ? Qt::NoModifier : Qt::ShiftModifier);
        handingTabToContent_ = true;
        QCoreApplication::sendEvent(content, &press);
        handingTabToContent_ = false;
        if (content->isAncestorOf(QApplication::focusWidget()))
            return true;
    }
    return QMainWindow::focusNextPrevChild(next);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    emit closedByUser();
}

} // namespace keldra
