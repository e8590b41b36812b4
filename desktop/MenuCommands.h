#pragma once

#include "app/model/AppPhase.h"

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>

class QAction;
class QMenuBar;

namespace keldra {

class AppModel;

// The window's menus: "File" (Quit), "Backup" (back up now, pause or resume, lock) and "Go" (the five
// sections and the search of backed-up files), with their shortcuts. Which items are enabled, and the
// pause item's wording, follow the model.
class MenuCommands final : public QObject {
    Q_OBJECT

public:
    // Fills `bar`; `quit` ends the application.
    MenuCommands(QMenuBar& bar, AppModel& model, std::function<void()> quit);

    QAction* backUpNow() const { return backUpNow_; }
    QAction* pauseOrResume() const { return pauseOrResume_; }
    QAction* lock() const { return lock_; }
    QAction* section(AppSection section) const;
    QAction* search() const { return search_; }
    QAction* quit() const { return quit_; }

    // Reads the model again: enabled states and the pause item's wording.
    void update();

private:
    QPointer<AppModel> model_;
    QAction* backUpNow_ = nullptr;
    QAction* pauseOrResume_ = nullptr;
    QAction* lock_ = nullptr;
    std::array<QAction*, 5> sections_{};
    QAction* search_ = nullptr;
    QAction* quit_ = nullptr;
};

} // namespace keldra
