#pragma once

#include <filesystem>

namespace keldra {

// Where the application keeps its files, after the XDG base-directory rules.
std::filesystem::path homeDirectory();
std::filesystem::path xdgConfigHome();
std::filesystem::path xdgDataHome();

// "$XDG_CONFIG_HOME/orlivane-keldra" and "$XDG_DATA_HOME/orlivane-keldra".
std::filesystem::path appConfigDirectory();
std::filesystem::path appDataDirectory();

} // namespace keldra
