#pragma once

#include <string>

namespace keldra {

// The version texts of this build, for the User-Agent and the settings screen: "1.0" and "1" when the build
// gives none.
std::string appVersion();
std::string buildNumber();

// The same rule for given values (null or empty gives the fallback).
std::string versionOrDefault(const char* version);
std::string buildNumberOrDefault(const char* build);

} // namespace keldra
