#pragma once
// The Schedule row's details for the chosen kind: the weekday (weekly), the time (daily, weekly), the
// interval (custom) and when the next scheduled backup runs (every kind but manual). Every control exists
// once and is shown or hidden with the kind, so a pick never destroys the menu it came from.

#include "design/theme/OLWidget.h"

#include <cstdint>

namespace keldra {

class AppModelView;
class OLText;
template <typename T> class OLMenuPickerOf;

class ScheduleEditor : public OLWidget {
    Q_OBJECT
public:
    explicit ScheduleEditor(AppModelView& app, QWidget* parent = nullptr);

    OLMenuPickerOf<std::int64_t>* weekdayPicker() const { return weekday_; }
    OLMenuPickerOf<std::int64_t>* hourPicker() const { return hour_; }
    OLMenuPickerOf<std::int64_t>* minutePicker() const { return minute_; }
    OLMenuPickerOf<std::int64_t>* everyHoursPicker() const { return everyHours_; }
    OLText* nextRunText() const { return nextRun_; }

private:
    void refresh();

    AppModelView& app_;
    OLMenuPickerOf<std::int64_t>* weekday_;
    OLText* at_;
    OLMenuPickerOf<std::int64_t>* hour_;
    OLText* colon_;
    OLMenuPickerOf<std::int64_t>* minute_;
    OLText* every_;
    OLMenuPickerOf<std::int64_t>* everyHours_;
    OLText* nextRun_;
};

} // namespace keldra
