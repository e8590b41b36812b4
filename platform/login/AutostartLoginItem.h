#pragma once

#include "core/platform/LoginItem.h"
#include "core/seams/Logger.h"

#include <filesystem>
#include <optional>
#include <string>

namespace keldra {

// Starting with the session through an XDG autostart entry,
// $XDG_CONFIG_HOME/autostart/orlivane-keldra.desktop, whose Exec passes --autostart so the application knows
// it was started at login.
class AutostartLoginItem final : public LoginItem {
public:
    AutostartLoginItem(std::filesystem::path configHome, std::string executable, Logger& logger);

    bool setLoginItemEnabled(bool enabled) override;
    bool isLoginItemEnabled() const override;

    std::filesystem::path entryPath() const;
    // The entry's text for the given program; none for a path a desktop entry cannot carry.
    static std::optional<std::string> desktopEntry(const std::string& executable);
    // This process's own program, for the Exec line.
    static std::string currentExecutable();

private:
    std::filesystem::path configHome_;
    std::string executable_;
    Logger& logger_;
};

} // namespace keldra
