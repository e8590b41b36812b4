#pragma once

#include "app/shell/TrayIconImages.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace keldra {

class AppModel;
class TrayPopup;

// The tray icon: its image follows the model's health (the running images alternate with the model's tray
// frame), its tooltip names the health, a click opens the popup and its menu opens the window or quits.
// On a desktop whose tray host starts later, the icon appears once the host does.
class TrayController final : public QObject {
    Q_OBJECT

public:
    TrayController(AppModel& model, std::function<void()> openWindow, std::function<void()> quit,
                   QObject* parent = nullptr);
    ~TrayController() override;

    TrayImage image() const { return image_; }
    QString toolTip() const;
    QSystemTrayIcon& icon() const { return *icon_; }
    TrayPopup* popup() const;
    // Shows the popup by the icon (or at the pointer when the tray does not say where it is).
    void showPopup();

    // Reads the model again.
    void update();

private:
    void showWhenHostExists();

    QPointer<AppModel> model_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    QPointer<TrayPopup> popup_;
    TrayImage image_ = TrayImage::idle;
    bool imageSet_ = false;
    QTimer hostCheck_;
};

} // namespace keldra
