#include "desktop/DesktopApplication.h"

#include "app/model/AppModel.h"
#include "core/platform/LaunchContext.h"
#include "design/brand/KeldraAppIcon.h"
#include "desktop/MainWindow.h"
#include "desktop/MenuCommands.h"
#include "desktop/TrayController.h"
#include "desktop/WindowPlacement.h"
#include "screens/root/RootView.h"

#include <QMenuBar>

namespace keldra {

DesktopApplication::DesktopApplication(AppModel& model, const LaunchContext& launch, QObject* parent)
    : QObject(parent), model_(model), launch_(launch), window_(std::make_unique<MainWindow>()) {
    window_->setRootView(new RootView(model));
    window_->setWindowIcon(keldraAppIcon());
    window_->setMinimumSize(RootView::minimumWidth, RootView::minimumHeight);
    keepWindowPlacement(*window_, model.services().defaults,
                        QSize(MainWindow::defaultWidth, MainWindow::defaultHeight));
    const auto quit = [this] {
        emit quitRequested();
    };
    menus_ = new MenuCommands(*window_->menuBar(), model, quit);
    tray_ = std::make_unique<TrayController>(
        model, [this] { openWindow(); }, quit);
}

DesktopApplication::~DesktopApplication() = default;

void DesktopApplication::start() {
    if (launch_.launchedAsLoginItem()) {
        return;
    }
    openWindow();
}

void DesktopApplication::openWindow() {
    window_->openMainWindow();
}

void stopWorkForQuit(AppModel& model) {
    model.cancelRunTask();
    if (RestoreModel* restore = model.restoreModel(); restore && restore->restoreTask()) {
        restore->restoreTask()->cancel();
    }
}

} // namespace keldra
