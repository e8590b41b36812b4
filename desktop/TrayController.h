#pragma once

#include "desktop/TrayIconImages.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace keldra {

class AppModel;
class PopoverWindow;
class TrayPopover;

// The tray icon: its image follows the model's health (the running images alternate with the model's tray
// frame), its tooltip names the health, a left click opens the tray popover (and closes it while open), and
// its menu opens the window or quits. On a desktop whose tray host starts later, the icon appears once the
// host does; without a tray the main window stays the way in.
class TrayController final : public QObject {
    Q_OBJECT

public:
    TrayController(AppModel& model, std::function<void()> openWindow, std::function<void()> quit,
                   QObject* parent = nullptr);
    ~TrayController() override;

    TrayImage image() const { return image_; }
    QString toolTip() const;
    QSystemTrayIcon& icon() const { return *icon_; }
    PopoverWindow* popoverWindow() const;
    TrayPopover* popover() const;
    // What a left click on the icon does: opens the popover by the icon (or at the pointer when the tray
    // does not say where it is), or closes it while open.
    void togglePopover();

    // Reads the model again.
    void update();

private:
    void showWhenHostExists();

    QPointer<AppModel> model_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::unique_ptr<QMenu> menu_;
    QPointer<PopoverWindow> window_;
    QPointer<TrayPopover> popover_;
    TrayImage image_ = TrayImage::idle;
    bool imageSet_ = false;
    QTimer hostCheck_;
};

} // namespace keldra
