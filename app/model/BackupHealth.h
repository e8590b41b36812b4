#pragma once
// The overall protection state of this computer, as every screen, the tray and the tooltip show it.
// Qt-free: the app model computes it, the design system presents it.

#include "core/events/BlockReason.h"

#include <optional>
#include <string>

namespace keldra {

class BackupHealth {
public:
    enum class Kind { protected_, backingUp, paused, attention, atRisk, storageFull, locked, blocked };

    static BackupHealth protectedState() { return BackupHealth(Kind::protected_); }
    static BackupHealth backingUp() { return BackupHealth(Kind::backingUp); }
    static BackupHealth paused() { return BackupHealth(Kind::paused); }
    static BackupHealth attention() { return BackupHealth(Kind::attention); }
    static BackupHealth atRisk() { return BackupHealth(Kind::atRisk); }
    static BackupHealth storageFull() { return BackupHealth(Kind::storageFull); }
    static BackupHealth locked() { return BackupHealth(Kind::locked); }
    static BackupHealth blocked(BlockReason reason) { return BackupHealth(std::move(reason)); }

    Kind kind() const { return kind_; }
    // Set exactly when kind() is blocked.
    const std::optional<BlockReason>& reason() const { return reason_; }

    friend bool operator==(const BackupHealth&, const BackupHealth&) = default;

private:
    explicit BackupHealth(Kind kind) : kind_(kind) {}
    explicit BackupHealth(BlockReason reason) : kind_(Kind::blocked), reason_(std::move(reason)) {}

    Kind kind_;
    std::optional<BlockReason> reason_;
};

// The headline words of a health ("Protected", "Backing up…", "Keldra locked"): one function for the
// Overview, the popover, the tray tooltip and the design system's presentation.
std::string healthTitle(const BackupHealth& health);

} // namespace keldra
