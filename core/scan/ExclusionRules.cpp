#include "core/scan/ExclusionRules.h"

#include <algorithm>
#include <fnmatch.h>

namespace keldra {

namespace {

bool hasWildcard(std::string_view text) {
    return text.find_first_of("*?[\\") != std::string_view::npos;
}

} // namespace

const ExclusionRules::NameSet& ExclusionRules::systemJunkNames() {
    static const NameSet names{
        ".DS_Store",       ".localized",       "Icon\r",
        ".Spotlight-V100", ".fseventsd",       ".DocumentRevisions-V100",
        ".TemporaryItems", ".VolumeIcon.icns", ".com.apple.timemachine.donotpresent",
    };
    return names;
}

const std::vector<std::string>& ExclusionRules::junkPatterns() {
    static const std::vector<std::string> patterns{
        "._*", "*.tmp", "*.temp", "~$*", "*.swp", "*.crdownload", "*.part", "*.download",
    };
    return patterns;
}

const ExclusionRules::NameSet& ExclusionRules::cacheFolderNames() {
    static const NameSet names{"Caches", ".cache", ".Trash", "Cache", "CachedData", ".npm", ".gradle"};
    return names;
}

const ExclusionRules::NameSet& ExclusionRules::developerFolderNames() {
    static const NameSet names{
        "node_modules", "DerivedData", ".build",      "Pods",   "build",
        "dist",         ".venv",       "__pycache__", "target", ".git",
    };
    return names;
}

std::vector<std::string> ExclusionRules::cleanPatterns(const std::vector<std::string>& patterns) {
    std::vector<std::string> cleaned;
    for (const auto& pattern : patterns) {
        const size_t first = pattern.find_first_not_of(" \t");
        if (first == std::string::npos) {
            continue;
        }
        const size_t last = pattern.find_last_not_of(" \t");
        cleaned.push_back(pattern.substr(first, last - first + 1));
    }
    return cleaned;
}

bool matchesPattern(const std::string& pattern, std::string_view name) {
    // Most patterns are "prefix*" or "*suffix" with plain text around the star; for those fnmatch without
    // flags is a plain prefix or suffix test, and the scanner asks once per file.
    if (pattern.size() >= 1) {
        const std::string_view text(pattern);
        if (text.back() == '*' && !hasWildcard(text.substr(0, text.size() - 1))) {
            return name.starts_with(text.substr(0, text.size() - 1));
        }
        if (text.front() == '*' && !hasWildcard(text.substr(1))) {
            return name.ends_with(text.substr(1));
        }
        if (!hasWildcard(text)) {
            return name == text;
        }
    }
    // A name with a NUL byte cannot come from the file system; fnmatch would stop at it.
    if (name.find('\0') != std::string_view::npos) {
        return false;
    }
    const std::string terminated(name);
    return ::fnmatch(pattern.c_str(), terminated.c_str(), 0) == 0;
}

bool ExclusionRules::excludesName(std::string_view name) const {
    if (excludeSystemJunk) {
        if (systemJunkNames().contains(name)) {
            return true;
        }
        for (const auto& pattern : junkPatterns()) {
            if (matchesPattern(pattern, name)) {
                return true;
            }
        }
    }
    return std::any_of(customPatterns.begin(), customPatterns.end(),
                       [&](const std::string& pattern) { return matchesPattern(pattern, name); });
}

bool ExclusionRules::excludesFolderName(std::string_view name) const {
    if (excludeSystemJunk && systemJunkNames().contains(name)) {
        return true;
    }
    if (excludeCaches && cacheFolderNames().contains(name)) {
        return true;
    }
    if (excludeDeveloperFolders && developerFolderNames().contains(name)) {
        return true;
    }
    return std::any_of(customPatterns.begin(), customPatterns.end(),
                       [&](const std::string& pattern) { return matchesPattern(pattern, name); });
}

} // namespace keldra
