#include "core/events/RegionNames.h"

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

namespace keldra {

namespace {

constexpr const char* isoCodesPath = "/usr/share/iso-codes/json/iso_3166-1.json";

// Code -> name, read once. The common name ("Taiwan", "Bolivia") is what people call a region; the official
// one ("Bolivia, Plurinational State of") only when there is no other.
std::map<std::string, std::string, std::less<>> loadRegionNames() {
    std::map<std::string, std::string, std::less<>> names;
    std::ifstream in(isoCodesPath);
    if (!in) {
        return names;
    }
    const auto document = nlohmann::json::parse(in, nullptr, false);
    if (!document.is_object() || !document.contains("3166-1") || !document["3166-1"].is_array()) {
        return names;
    }
    for (const auto& entry : document["3166-1"]) {
        if (!entry.is_object()) {
            continue;
        }
        const auto code = entry.find("alpha_2");
        if (code == entry.end() || !code->is_string()) {
            continue;
        }
        for (const char* key : {"common_name", "name"}) {
            const auto name = entry.find(key);
            if (name != entry.end() && name->is_string()) {
                names.emplace(code->get<std::string>(), name->get<std::string>());
                break;
            }
        }
    }
    return names;
}

} // namespace

std::string regionName(std::string_view code) {
    static const auto names = loadRegionNames();
    std::string upper(code);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    const auto found = names.find(upper);
    return found != names.end() ? found->second : std::string(code);
}

} // namespace keldra
