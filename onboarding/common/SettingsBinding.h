#pragma once
// The two-way bindings of the settings controls (and the setup flow's schedule picker) into the model's
// per-account settings. A write edits a copy, compares the whole copy with the current settings, and only
// when they differ assigns it and saves it for the signed-in account (nothing is saved without a session).
// Controls write on user action only, and refresh from the model under a QSignalBlocker.

#include "core/settings/BackupSettings.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace keldra {

class AppModelView;

// The field a binding edits, possibly nested (`[](BackupSettings& s) -> auto& { return s.schedule.hour; }`).
template <class T> using SettingsPath = T& (*)(BackupSettings&);

namespace SettingsBinding {

// Applies `edit` to a copy of the settings; assigns and saves it when it differs. Returns whether it did.
bool write(AppModelView& app, const std::function<void(BackupSettings&)>& edit);

template <class T> T get(const AppModelView& app, SettingsPath<T> path);
template <class T> bool set(const T& value, AppModelView& app, SettingsPath<T> path) {
    return write(app, [&](BackupSettings& settings) { path(settings) = value; });
}

// One pair per value type the panes edit.
inline bool getBool(const AppModelView& app, SettingsPath<bool> path) {
    return get(app, path);
}
inline bool setBool(bool value, AppModelView& app, SettingsPath<bool> path) {
    return set(value, app, path);
}
inline std::int64_t getInt(const AppModelView& app, SettingsPath<std::int64_t> path) {
    return get(app, path);
}
inline bool setInt(std::int64_t value, AppModelView& app, SettingsPath<std::int64_t> path) {
    return set(value, app, path);
}
inline double getDouble(const AppModelView& app, SettingsPath<double> path) {
    return get(app, path);
}
inline bool setDouble(double value, AppModelView& app, SettingsPath<double> path) {
    return set(value, app, path);
}
inline std::optional<std::int64_t> getOptionalInt(const AppModelView& app,
                                                  SettingsPath<std::optional<std::int64_t>> path) {
    return get(app, path);
}
inline bool setOptionalInt(std::optional<std::int64_t> value, AppModelView& app,
                           SettingsPath<std::optional<std::int64_t>> path) {
    return set(value, app, path);
}
inline ScheduleKind getScheduleKind(const AppModelView& app) {
    return get<ScheduleKind>(app, [](BackupSettings& s) -> ScheduleKind& { return s.schedule.kind; });
}
inline bool setScheduleKind(ScheduleKind value, AppModelView& app) {
    return set<ScheduleKind>(value, app, [](BackupSettings& s) -> ScheduleKind& { return s.schedule.kind; });
}

} // namespace SettingsBinding

} // namespace keldra

#include "app/model/AppModelView.h"

template <class T> T keldra::SettingsBinding::get(const AppModelView& app, SettingsPath<T> path) {
    BackupSettings copy = app.settings();
    return path(copy);
}
