#include "app/shell/TrayController.h"

#include "app/model/AppModel.h"
#include "app/shell/placeholder/TrayPopup.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
#include <QScreen>
#include <QSystemTrayIcon>

namespace keldra {

namespace {
// How often to look for a tray host while there is none.
constexpr int hostCheckMs = 3000;
} // namespace

TrayController::TrayController(AppModel& model, std::function<void()> openWindow, std::function<void()> quit,
                               QObject* parent)
    : QObject(parent), model_(&model), icon_(std::make_unique<QSystemTrayIcon>()),
      menu_(std::make_unique<QMenu>()) {
    popup_ = new TrayPopup(model, openWindow, quit);
    connect(menu_->addAction(QStringLiteral("Open Orlivane Keldra")), &QAction::triggered, this,
            [openWindow] { openWindow(); });
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Quit")), &QAction::triggered, this, [quit] { quit(); });
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
            showPopup();
        }
    });
    connect(&model, &AppModel::statusChanged, this, &TrayController::update);
    update();

    hostCheck_.setInterval(hostCheckMs);
    connect(&hostCheck_, &QTimer::timeout, this, &TrayController::showWhenHostExists);
    showWhenHostExists();
}

TrayController::~TrayController() {
    delete popup_.data();
}

TrayPopup* TrayController::popup() const {
    return popup_.data();
}

QString TrayController::toolTip() const {
    if (!model_) {
        return {};
    }
    return QStringLiteral("Orlivane Keldra: ") + QString::fromStdString(healthTitle(model_->health()));
}

void TrayController::update() {
    if (!model_) {
        return;
    }
    const TrayImage image = trayImageFor(model_->health().kind(), model_->trayFrame());
    if (!imageSet_ || image != image_) {
        image_ = image;
        imageSet_ = true;
        // One colour, the panel's text colour, like the desktop's own tray symbols.
        icon_->setIcon(trayIcon(image, QGuiApplication::palette().color(QPalette::WindowText)));
    }
    icon_->setToolTip(toolTip());
}

void TrayController::showWhenHostExists() {
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        hostCheck_.start();
        return;
    }
    hostCheck_.stop();
    icon_->show();
}

void TrayController::showPopup() {
    if (!popup_) {
        return;
    }
    popup_->adjustSize();
    const QRect anchor = icon_->geometry();
    QPoint at = anchor.isValid() ? anchor.bottomLeft() : QCursor::pos();
    if (const QScreen* screen = QGuiApplication::screenAt(at)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - popup_->width())));
        if (at.y() + popup_->height() > area.bottom()) {
            at.setY((anchor.isValid() ? anchor.top() : at.y()) - popup_->height());
        }
    }
    popup_->move(at);
    popup_->show();
    popup_->raise();
    popup_->activateWindow();
}

} // namespace keldra
