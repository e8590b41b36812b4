#include "restore/model/RestoreSource.h"

namespace keldra {

namespace {
// U+203A with a blank on each side.
constexpr const char* separator = " \u203A ";
} // namespace

std::string keldraSourceLabel(const std::string& folderName) {
    return std::string("Keldra") + separator + folderName;
}

std::string driveSourceLabel(const std::string& destinationName, const std::string& deviceName) {
    return destinationName + separator + deviceName;
}

} // namespace keldra
