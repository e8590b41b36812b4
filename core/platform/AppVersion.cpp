#include "core/platform/AppVersion.h"

#include "keldra/BuildVersion.h"

namespace keldra {

std::string versionOrDefault(const char* version) {
    return version != nullptr && *version != '\0' ? std::string(version) : std::string("1.0");
}

std::string buildNumberOrDefault(const char* build) {
    return build != nullptr && *build != '\0' ? std::string(build) : std::string("1");
}

std::string appVersion() {
    return versionOrDefault(build::shortVersion);
}

std::string buildNumber() {
    return buildNumberOrDefault(build::buildNumber);
}

} // namespace keldra
