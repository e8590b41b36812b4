#pragma once
// One backup drive on the Backups page: plugged in or not, where its backup folder is, its last copy, what
// it holds and how much room is left, any problem, and its controls: on or off, copy now, "Copy anyway"
// after a paused mass change, and remove. The row keeps no state; the section rebuilds it from the model.

#include "app/model/ModelValues.h"
#include "design/theme/OLWidget.h"
#include "drive/destination/LocalDestination.h"

#include <functional>

class QMenu;

namespace keldra {

class AppModelView;
class OLButton;
class OLIconButton;
class OLSwitch;
class OLText;
class StatusChip;

class DriveRow : public OLWidget {
    Q_OBJECT
public:
    DriveRow(AppModelView& app, LocalDestination destination, DriveState state,
             std::function<void()> onRemove, QWidget* parent = nullptr);

    const LocalDestination& destination() const { return destination_; }
    StatusChip* chip() const { return chip_; }
    OLText* statusText() const { return status_; }
    OLText* figuresText() const { return figures_; }
    OLText* freeText() const { return free_; }
    OLSwitch* enabledSwitch() const { return switch_; }
    // Present only while the drive is plugged in and switched on.
    OLIconButton* copyNowButton() const { return copyNow_; }
    // Present only while a mass change waits for review.
    OLButton* copyAnywayButton() const { return copyAnyway_; }
    OLIconButton* removeButton() const { return remove_; }
    // The context menu: "Show backup folder in Files" while the drive is mounted, else empty. Caller owns it.
    QMenu* makeMenu(QWidget* parent) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    AppModelView& app_;
    LocalDestination destination_;
    DriveState state_;
    StatusChip* chip_;
    OLText* status_;
    OLText* figures_;
    OLText* free_ = nullptr;
    OLSwitch* switch_;
    OLIconButton* copyNow_ = nullptr;
    OLButton* copyAnyway_ = nullptr;
    OLIconButton* remove_;
};

// The background of the destination rows: a soft rounded fill in glass, a hairline under the row in signal.
void paintDestinationRow(QWidget* row, const OLTheme& theme);

} // namespace keldra
