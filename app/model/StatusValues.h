#pragma once
// What the screens show of the model's state besides its properties: the one main button and the one banner.

#include "app/model/ThemeValues.h"

#include <functional>
#include <optional>
#include <string>

namespace keldra {

// The one main button of the status area; each screen picks its own title for it.
enum class PrimaryAction { backUpNow, pause, resume, review, unlock, signIn, seePlans, contactSupport, retry };

// The one banner at the top of the main window. Its actions act on the model while it lives and do nothing
// after.
struct BannerModel {
    std::string id;
    StatusTone tone = StatusTone::info;
    std::string title;
    std::string message;
    std::optional<std::string> actionTitle;
    std::function<void()> action;
    std::optional<std::string> secondaryTitle;
    std::function<void()> secondary;
    bool dismissible = false;
};

} // namespace keldra
