#pragma once
// How every control that offers the primary action names it: one title per action on every screen, the
// tray popover included, and the three icons that only the glass main buttons carry. Qt-free.

#include "app/model/BackupHealth.h"
#include "app/model/StatusValues.h"

#include <optional>
#include <string>

namespace keldra {

// "Back up now", "Pause", "Resume backups", "Review changes", "Unlock", "Sign in", "See plans",
// "Contact support", "Try again".
std::string primaryActionTitle(PrimaryAction action);

// "icon-upload", "icon-pause" and "icon-play" for back up, pause and resume; none for the others.
std::optional<std::string> primaryActionGlassIcon(PrimaryAction action);

// What the orb is called for assistive technology: the action's title, else the health's title.
std::string actionOrHealthTitle(const std::optional<PrimaryAction>& action, const BackupHealth& health);

} // namespace keldra
