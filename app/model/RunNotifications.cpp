#include "app/model/RunNotifications.h"

#include "core/events/NumberFormat.h"

namespace keldra::runNotice {

Notice runFailed(const std::string& message) {
    return {"run-failed", "Backup didn't finish", message};
}

Notice runFailures(std::int64_t failed) {
    return {"run-failures", "Some files weren't backed up",
            formatCount(failed) + " files couldn't be backed up. Open Orlivane Keldra to see why."};
}

Notice keyMismatch() {
    return {"key-mismatch", "Keldra passphrase changed",
            "Unlock with your current passphrase to keep backing up."};
}

Notice verifierMissing() {
    return {"verifier-missing", "Keldra needs setting up again",
            "Your Keldra no longer has a passphrase. Set one up to keep backing up."};
}

Notice massChange() {
    return {"mass-change", "Backup paused for review",
            "An unusual number of files changed or disappeared. Check them before backing up."};
}

Notice keldraMismatch() {
    return {"keldra-mismatch", "Backup paused for review",
            "Many backed-up files are missing from your Keldra. Check before they're uploaded again."};
}

Notice storage(int percent) {
    return {"storage", "Keldra storage is " + std::to_string(percent) + "% full",
            "Free up space or choose a larger plan so backups keep running."};
}

Notice storageFull() {
    return {"storage-full", "Keldra storage is full",
            "Some files weren't backed up because your Keldra is full."};
}

Notice driveReview(const std::string& destinationID, const std::string& name) {
    return {"drive-review-" + destinationID, "Copy to " + name + " paused for review",
            "An unusual number of files changed or disappeared. Check them before copying."};
}

Notice driveKey(const std::string& destinationID, const std::string& name) {
    return {"drive-key-" + destinationID, name + " wasn't backed up",
            "Its backup was made with a different Keldra passphrase. Nothing on it was changed."};
}

Notice driveFailures(const std::string& destinationID, const std::string& name, std::int64_t failed) {
    return {"drive-failures-" + destinationID, "Some files weren't copied to " + name,
            formatCount(failed) + " files couldn't be copied. Open Orlivane Keldra to see why."};
}

Notice driveFull(const std::string& destinationID, const std::string& name) {
    return {"drive-full-" + destinationID, name + " is full",
            "Old versions were removed to make room, but some files still didn't fit."};
}

std::optional<int> storagePercent(std::int64_t usedBytes, std::int64_t quotaBytes) {
    if (quotaBytes < 1) {
        return std::nullopt;
    }
    const double ratio = static_cast<double>(usedBytes) / static_cast<double>(quotaBytes);
    if (ratio < 0.9) {
        return std::nullopt;
    }
    return ratio >= 1.0 ? 100 : static_cast<int>(ratio * 100);
}

} // namespace keldra::runNotice
