#pragma once
// The last setup step: how often backups run (written to the settings at once), the schedule in words,
// whether to open at login and notify about problems, and "Start first backup", which ends setup once.

#include "core/settings/BackupSchedule.h"
#include "design/theme/OLWidget.h"

namespace keldra {

class AppModelView;
class OLButton;
class OLCheckbox;
class OLText;
class ReturnRouter;
template <typename T> class OLSegmentedOf;

class ScheduleStep : public OLWidget {
    Q_OBJECT
public:
    explicit ScheduleStep(AppModelView& app, QWidget* parent = nullptr);

    // Hands the two choices to the model; later presses are ignored until the phase changes.
    void start();

    OLSegmentedOf<ScheduleKind>* kindPicker() const { return picker_; }
    OLText* sentence() const { return sentence_; }
    OLCheckbox* launchAtLoginBox() const { return launchAtLogin_; }
    OLCheckbox* notificationsBox() const { return notifications_; }
    OLButton* startButton() const { return start_; }

private:
    void refresh();

    AppModelView& app_;
    OLSegmentedOf<ScheduleKind>* picker_;
    OLText* sentence_;
    OLCheckbox* launchAtLogin_;
    OLCheckbox* notifications_;
    OLButton* start_;
    ReturnRouter* router_;
    bool started_ = false;
};

} // namespace keldra
