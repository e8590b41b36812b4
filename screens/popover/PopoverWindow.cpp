#include "screens/popover/PopoverWindow.h"

#include "screens/popover/PopoverPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr int popoverWidth = 360;
// A tray click arrives just after the press that deactivated the window: within this many milliseconds
// the click is the one that closed it.
constexpr qint64 sameClickMs = 300;

// Wayland compositors place windows themselves; a move is ignored there.
bool placesWindowsItself() {
    return QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

std::vector<ScreenArea> screenAreas() {
    std::vector<ScreenArea> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        areas.push_back({screen->geometry(), screen->availableGeometry()});
    }
    return areas;
}

} // namespace

PopoverWindow::PopoverWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setFixedWidth(popoverWidth);
    setWindowTitle(QStringLiteral("Orlivane Keldra"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PopoverWindow::setContent(QWidget* content) {
    if (content_) {
        content_->hide();
        content_->deleteLater();
    }
    content_ = content;
    if (content_) {
        content_->setFixedWidth(popoverWidth);
        layout()->addWidget(content_);
    }
}

void PopoverWindow::toggle(std::optional<QRect> trayGeometry, QPoint cursor) {
    if (isVisible()) {
        hide();
        return;
    }
    if (hiddenByDeactivation_.isValid() && hiddenByDeactivation_.elapsed() < sameClickMs) {
        hiddenByDeactivation_.invalidate();
        return;
    }
    showAt(trayGeometry, cursor);
}

void PopoverWindow::showAt(std::optional<QRect> trayGeometry, QPoint cursor) {
    adjustSize();
    if (!placesWindowsItself()) {
        move(popoverPosition(trayGeometry, cursor, size(), screenAreas()));
    }
    show();
    raise();
    activateWindow();
}

void PopoverWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PopoverWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) {
        hiddenByDeactivation_.start();
        hide();
    }
}

} // namespace keldra
