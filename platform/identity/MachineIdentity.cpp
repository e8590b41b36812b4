#include "platform/identity/MachineIdentity.h"

#include "core/codec/Hex.h"

#include <array>
#include <fstream>
#include <openssl/evp.h>

namespace keldra {

namespace {
constexpr std::string_view appIdentifier = "org.orlivane.keldra";
}

MachineIdentity::MachineIdentity(std::filesystem::path machineIdPath)
    : machineIdPath_(std::move(machineIdPath)) {}

std::optional<std::string> MachineIdentity::deviceIdentifier() const {
    std::ifstream in(machineIdPath_);
    std::string machineId;
    if (!in || !std::getline(in, machineId)) {
        return std::nullopt;
    }
    const size_t first = machineId.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return std::nullopt;
    }
    machineId = machineId.substr(first, machineId.find_last_not_of(" \t\r\n") - first + 1);
    std::array<unsigned char, 32> digest{};
    size_t length = 0;
    if (EVP_Q_mac(nullptr, "HMAC", nullptr, "SHA256", nullptr, appIdentifier.data(), appIdentifier.size(),
                  reinterpret_cast<const unsigned char*>(machineId.data()), machineId.size(), digest.data(),
                  digest.size(), &length) == nullptr ||
        length != digest.size()) {
        return std::nullopt;
    }
    return hexEncode(digest.data(), digest.size());
}

} // namespace keldra
