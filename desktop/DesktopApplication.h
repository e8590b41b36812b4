#pragma once

#include <QObject>
#include <memory>

namespace keldra {

class AppModel;
class LaunchContext;
class MainWindow;
class MenuCommands;
class TrayController;

// The application around the one model: the main window with its menus and the tray icon. Started by the
// user it opens the window; started at login it stays in the tray. Closing the window leaves the process
// running; another launch (activate) brings the window back.
class DesktopApplication final : public QObject {
    Q_OBJECT

public:
    DesktopApplication(AppModel& model, const LaunchContext& launch, QObject* parent = nullptr);
    ~DesktopApplication() override;

    MainWindow& window() const { return *window_; }
    MenuCommands& menus() const { return *menus_; }
    TrayController& tray() const { return *tray_; }

    // What a launch shows: the window, unless the desktop started the process at login.
    void start();
    // Another launch, the tray or the popup asked for the window.
    void openWindow();

signals:
    // Quit from the menu, the tray or the popup.
    void quitRequested();

private:
    AppModel& model_;
    const LaunchContext& launch_;
    std::unique_ptr<MainWindow> window_;
    MenuCommands* menus_ = nullptr;
    std::unique_ptr<TrayController> tray_;
};

// Ends the work that must not be cut off: the run and a restore are cancelled, so the engines record them
// as stopped; destroying the model afterwards waits for them.
void stopWorkForQuit(AppModel& model);

} // namespace keldra
