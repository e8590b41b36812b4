#pragma once

#include "core/platform/LaunchContext.h"

#include <string>
#include <vector>

namespace keldra {

// Started at login when the command line carries --autostart, as the autostart entry's Exec line does.
class ArgumentsLaunchContext final : public LaunchContext {
public:
    static constexpr const char* autostartFlag = "--autostart";

    // The program's arguments, the program itself first.
    explicit ArgumentsLaunchContext(const std::vector<std::string>& arguments);

    bool launchedAsLoginItem() const override { return autostart_; }

private:
    bool autostart_ = false;
};

} // namespace keldra
