#include "screens/presentation/ActionPresentation.h"

namespace keldra {

std::string primaryActionTitle(PrimaryAction action) {
    switch (action) {
    case PrimaryAction::backUpNow:
        return "Back up now";
    case PrimaryAction::pause:
        return "Pause";
    case PrimaryAction::resume:
        return "Resume backups";
    case PrimaryAction::review:
        return "Review changes";
    case PrimaryAction::unlock:
        return "Unlock";
    case PrimaryAction::signIn:
        return "Sign in";
    case PrimaryAction::seePlans:
        return "See plans";
    case PrimaryAction::contactSupport:
        return "Contact support";
    case PrimaryAction::retry:
        return "Try again";
    }
    return "Back up now";
}

std::optional<std::string> primaryActionGlassIcon(PrimaryAction action) {
    switch (action) {
    case PrimaryAction::backUpNow:
        return "icon-upload";
    case PrimaryAction::pause:
        return "icon-pause";
    case PrimaryAction::resume:
        return "icon-play";
    default:
        return std::nullopt;
    }
}

std::string actionOrHealthTitle(const std::optional<PrimaryAction>& action, const BackupHealth& health) {
    return action ? primaryActionTitle(*action) : healthTitle(health);
}

} // namespace keldra
