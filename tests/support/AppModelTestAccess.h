#pragma once

#include "app/model/AppModel.h"

#include <memory>
#include <optional>
#include <set>
#include <string>

namespace keldra {

// The tests' one way to set what the application model otherwise only sets itself: its wiring, its run's
// progress and its reminders' memory. Each call is the model's own plain setter (announces a real change).
struct AppModelTestAccess {
    static void setIndex(AppModel& m, std::shared_ptr<BackupIndex> value) { m.setIndex(std::move(value)); }
    static void setEngine(AppModel& m, std::shared_ptr<BackupEngine> value) { m.setEngine(std::move(value)); }
    static void setIsWorking(AppModel& m, bool value) { m.setIsWorking(value); }
    static void setVerifierState(AppModel& m, VerifierState value) { m.setVerifierState(std::move(value)); }
    static void setProgress(AppModel& m, RunProgress value) { m.setProgress(std::move(value)); }
    static void setCurrentSpeed(AppModel& m, double value) { m.setCurrentSpeed(value); }
    static void setIsOnline(AppModel& m, bool value) { m.setIsOnline(value); }
    static void setTrayFrame(AppModel& m, bool value) { m.setTrayFrame(value); }
    static void setRestartAfterRun(AppModel& m, bool value) { m.setRestartAfterRun(value); }
    static void setLockedNoticePosted(AppModel& m, bool value) { m.setLockedNoticePosted(value); }
    static void setVerifierAbsentStreak(AppModel& m, int value) { m.setVerifierAbsentStreak(value); }
    static void setKeyMismatchNotified(AppModel& m, std::set<std::string> value) {
        m.setKeyMismatchNotified(std::move(value));
    }
    static void setLastStaleNotice(AppModel& m, std::optional<SystemTime> value) {
        m.setLastStaleNotice(std::move(value));
    }
};

} // namespace keldra
