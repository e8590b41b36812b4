#include "desktop/TrayController.h"

#include "app/model/AppModel.h"
#include "screens/popover/PopoverWindow.h"
#include "screens/popover/TrayPopover.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPalette>
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
    window_ = new PopoverWindow;
    QPointer<PopoverWindow> window = window_;
    popover_ = new TrayPopover(
        model,
        [window, openWindow] {
            if (window) {
                window->hide();
            }
            openWindow();
        },
        quit);
    window_->setContent(popover_);
    connect(menu_->addAction(QStringLiteral("Open Orlivane Keldra")), &QAction::triggered, this,
            [openWindow] { openWindow(); });
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Quit")), &QAction::triggered, this, [quit] { quit(); });
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            togglePopover();
        }
    });
    connect(&model, &AppModel::statusChanged, this, &TrayController::update);
    update();

    hostCheck_.setInterval(hostCheckMs);
    connect(&hostCheck_, &QTimer::timeout, this, &TrayController::showWhenHostExists);
    showWhenHostExists();
}

TrayController::~TrayController() {
    delete window_.data();
}

PopoverWindow* TrayController::popoverWindow() const {
    return window_.data();
}

TrayPopover* TrayController::popover() const {
    return popover_.data();
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

void TrayController::togglePopover() {
    if (!window_) {
        return;
    }
    const QRect anchor = icon_->geometry();
    window_->toggle(anchor.isValid() ? std::optional<QRect>(anchor) : std::nullopt, QCursor::pos());
}

} // namespace keldra
