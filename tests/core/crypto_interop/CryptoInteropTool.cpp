// Writes what our key makes for the Python cross-check to verify ("seal"), and opens what Python made
// ("open"). Exits non-zero only on a usage or file error; every verdict goes into the output JSON.
#include "core/codec/Base64.h"
#include "core/codec/Hex.h"
#include "core/crypto/KeldraCryptoError.h"
#include "core/crypto/KeldraKey.h"

#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

using namespace keldra;
using nlohmann::json;

namespace {

std::string keyHex(const SymmetricKey& key) {
    return hexEncode(key.data(), key.size());
}

json sealAll(const json& input) {
    const KeldraKey key = KeldraKey::derive(input.at("passphrase").get<std::string>());
    json out;
    out["key_hex"] = keyHex(key.symmetricKey());
    out["checksum_key_hex"] = keyHex(key.checksumKey());
    for (const auto& name : input.at("names")) {
        out["names"].push_back({{"plain", name}, {"sealed", key.sealName(name.get<std::string>())}});
    }
    for (const auto& blob : input.at("blobs")) {
        const Bytes plain = base64Decode(blob.get<std::string>()).value();
        const auto [iv, sealed] = key.seal(plain);
        out["blobs"].push_back({{"plain", blob}, {"iv", base64Encode(iv)}, {"sealed", base64Encode(sealed)}});
        out["checksums"].push_back(
            {{"plain", blob}, {"hex", keyedChecksumHex(key.checksumKey(), plain.data(), plain.size())}});
    }
    const auto [iv, sealed] = key.seal(toBytes("cairn-ok-v1"));
    out["verifier"] = {{"verifier", base64Encode(sealed)}, {"iv", base64Encode(iv)}};
    return out;
}

json openAll(const json& input) {
    const KeldraKey key = KeldraKey::derive(input.at("passphrase").get<std::string>());
    json out;
    out["key_hex"] = keyHex(key.symmetricKey());
    for (const auto& sealedName : input.at("names")) {
        const std::string text = sealedName.get<std::string>();
        json entry{{"recognised", KeldraKey::isSealedName(text)}};
        const auto dot = text.find('.');
        try {
            const Bytes plain = key.open(base64Decode(text.substr(dot + 1)).value(),
                                         base64Decode(text.substr(0, dot)).value());
            entry["plain"] = toString(plain);
        } catch (const KeldraCryptoError& error) {
            entry["error"] = error.message();
        }
        out["names"].push_back(entry);
    }
    for (const auto& blob : input.at("blobs")) {
        json entry;
        try {
            const Bytes plain = key.open(base64Decode(blob.at("sealed").get<std::string>()).value(),
                                         base64Decode(blob.at("iv").get<std::string>()).value());
            entry["plain"] = base64Encode(plain);
            entry["checksum"] = keyedChecksumHex(key.checksumKey(), plain.data(), plain.size());
        } catch (const KeldraCryptoError& error) {
            entry["error"] = error.message();
        }
        out["blobs"].push_back(entry);
    }
    for (const auto& verifier : input.at("verifiers")) {
        out["verifiers"].push_back(key.checkVerifier(verifier.at("verifier").get<std::string>(),
                                                     verifier.at("iv").get<std::string>()));
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[1]) != "seal" && std::string(argv[1]) != "open")) {
        std::cerr << "usage: crypto_interop_tool seal|open <input.json> <output.json>\n";
        return 2;
    }
    std::ifstream in(argv[2]);
    const json input = json::parse(in, nullptr, false);
    if (input.is_discarded()) {
        std::cerr << "unreadable input " << argv[2] << "\n";
        return 2;
    }
    const json output = std::string(argv[1]) == "seal" ? sealAll(input) : openAll(input);
    std::ofstream(argv[3]) << output.dump(2) << "\n";
    return 0;
}
