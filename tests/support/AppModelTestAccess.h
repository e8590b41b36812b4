#pragma once

#include "app/model/AppModel.h"

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace keldra {

// The tests' one way to set what the application model otherwise only sets itself: its wiring, the account's
// state, its run and its reminders' memory. Each call is the model's own plain setter (announces a real
// change and writes nothing else).
struct AppModelTestAccess {
    static void setStyle(AppModel& m, OLStyle value) { m.setStyle(value); }
    static void setAccent(AppModel& m, OLAccent value) { m.setAccent(value); }
    static void setPopoverStyle(AppModel& m, PopoverStyle value) { m.setPopoverStyle(value); }
    static void setSession(AppModel& m, std::optional<StoredSession> value) {
        m.setSession(std::move(value));
    }
    static void setKeldraStatus(AppModel& m, std::optional<KeldraStatus> value) {
        m.setKeldraStatus(std::move(value));
    }
    static void setKeldraKey(AppModel& m, std::optional<KeldraKey> value) {
        m.setKeldraKey(std::move(value));
    }
    static void setUnattended(AppModel& m, bool value) { m.setUnattended(value); }
    static void setSettings(AppModel& m, BackupSettings value) { m.setSettings(std::move(value)); }
    static void setSources(AppModel& m, std::vector<BackupSource> value) { m.setSources(std::move(value)); }
    static void setDestinations(AppModel& m, std::vector<LocalDestination> value) {
        m.setDestinations(std::move(value));
    }
    static void setDriveStates(AppModel& m, AppModel::DriveStates value) {
        m.setDriveStates(std::move(value));
    }
    static void editDriveState(AppModel& m, const std::string& id,
                               const std::function<void(DriveState&)>& edit) {
        m.editDriveState(id, edit);
    }
    static void setIsRunning(AppModel& m, bool value) { m.setIsRunning(value); }
    static void setLastRun(AppModel& m, std::optional<RunRecord> value) { m.setLastRun(std::move(value)); }
    static void setLastSuccess(AppModel& m, std::optional<SystemTime> value) { m.setLastSuccess(value); }
    static void setLastAttempt(AppModel& m, std::optional<SystemTime> value) { m.setLastAttempt(value); }
    static void setLastAttemptFailed(AppModel& m, bool value) { m.setLastAttemptFailed(value); }
    static void setPausedByUser(AppModel& m, bool value) { m.setPausedByUser(value); }
    static void setReview(AppModel& m, std::optional<MassChangeReview> value) {
        m.setReview(std::move(value));
    }
    static void setBlock(AppModel& m, std::optional<BlockReason> value) { m.setBlock(std::move(value)); }
    static void setStorageFull(AppModel& m, bool value) { m.setStorageFull(value); }
    static void setUnavailableSources(AppModel& m, AppModel::Availabilities value) {
        m.setUnavailableSources(std::move(value));
    }
    static void setGeoRule(AppModel& m, GeoGuard::Rule value) { m.setGeoRule(std::move(value)); }
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
