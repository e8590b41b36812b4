#include "core/settings/DeviceName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace keldra {
namespace {

std::string trimmed(std::string_view text) {
    auto isSpace = [](char c) {
        return std::isspace(static_cast<unsigned char>(c)) != 0;
    };
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string lowercased(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return std::nullopt;
    }
    std::string contents(4096, '\0');
    stream.read(contents.data(), static_cast<std::streamsize>(contents.size()));
    contents.resize(static_cast<size_t>(stream.gcount()));
    return contents;
}

// A machine-info value: unquoted, or in single or double quotes with shell-style backslash escapes.
std::string unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        const char quote = value.front();
        value = value.substr(1, value.size() - 2);
        if (quote == '\'') {
            return std::string(value);
        }
    }
    std::string result;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
        }
        result.push_back(value[i]);
    }
    return result;
}

std::string systemHostName() {
    char buffer[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) {
        return {};
    }
    return buffer;
}

// Texts that firmware writes where the vendor left the model unset.
bool isPlaceholderModel(const std::string& model) {
    const std::string lower = lowercased(model);
    static constexpr std::array<std::string_view, 10> exact{
        "",        "none",   "unknown",        "not specified",       "not applicable",
        "default", "system", "default string", "system product name", "all series"};
    if (std::find(exact.begin(), exact.end(), lower) != exact.end()) {
        return true;
    }
    static constexpr std::array<std::string_view, 3> fragments{"to be filled", "o.e.m",
                                                               "type1productconfigid"};
    return std::any_of(fragments.begin(), fragments.end(),
                       [&](std::string_view fragment) { return lower.find(fragment) != std::string::npos; });
}

} // namespace

std::optional<std::string> computerLocalizedName(const ComputerNameSources& sources) {
    if (auto contents = readSmallFile(sources.machineInfoFile)) {
        std::istringstream lines(*contents);
        std::string line;
        while (std::getline(lines, line)) {
            constexpr std::string_view key = "PRETTY_HOSTNAME=";
            if (line.starts_with(key)) {
                std::string name = trimmed(unquoted(trimmed(std::string_view(line).substr(key.size()))));
                if (!name.empty()) {
                    return name;
                }
            }
        }
    }
    std::string host = trimmed(sources.hostName ? sources.hostName() : systemHostName());
    if (host.empty()) {
        return std::nullopt;
    }
    return host;
}

std::string deviceNameForModel(std::string_view modelText, const std::optional<std::string>& localizedName) {
    const std::string model = trimmed(modelText.substr(0, modelText.find('\0')));
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 6> families{{
        {"MacBookPro", "MacBook Pro"},
        {"MacBookAir", "MacBook Air"},
        {"MacBook", "MacBook"},
        {"iMac", "iMac"},
        {"Macmini", "Mac mini"},
        {"MacPro", "Mac Pro"},
    }};
    for (const auto& [prefix, family] : families) {
        if (model.starts_with(prefix)) {
            return std::string(family);
        }
    }
    if (model.starts_with("Mac")) {
        static constexpr std::array<std::string_view, 6> names{"Mac Studio", "Mac mini",    "Mac Pro",
                                                               "iMac",       "MacBook Air", "MacBook Pro"};
        for (auto name : names) {
            if (localizedName && localizedName->find(name) != std::string::npos) {
                return std::string(name);
            }
        }
        return "Mac";
    }
    if (isPlaceholderModel(model)) {
        return "Computer";
    }
    return model;
}

} // namespace keldra
