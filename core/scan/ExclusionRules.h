#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace keldra {

struct BackupSettings;

// Which files of a backup source take part in a backup: the built-in name sets, the junk file-name patterns
// and the user's own patterns. Names are compared as bytes, case-sensitively, whole name; patterns match like
// fnmatch(3) without flags (a leading dot is matched by wildcards, "/" is an ordinary character).
struct ExclusionRules {
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    using NameSet = std::unordered_set<std::string, NameHash, std::equal_to<>>;

    bool excludeSystemJunk = false;
    bool excludeCaches = false;
    bool excludeDeveloperFolders = false;
    // The user's file-name patterns, already trimmed; none is empty.
    std::vector<std::string> customPatterns;

    // The three flags from the settings; the custom exclusions in order, trimmed of spaces and tabs at both
    // ends (line breaks are kept), blank ones dropped.
    static ExclusionRules fromSettings(const BackupSettings& settings);
    static std::vector<std::string> cleanPatterns(const std::vector<std::string>& patterns);

    // The built-in tables, built once on first use.
    static const NameSet& systemJunkNames();
    static const std::vector<std::string>& junkPatterns();
    static const NameSet& cacheFolderNames();
    static const NameSet& developerFolderNames();

    // A file name: the junk names and patterns when system junk is excluded, else the custom patterns.
    bool excludesName(std::string_view name) const;
    // A folder name: the enabled built-in folder sets (system junk names included) or a custom pattern. The
    // junk file patterns never apply to folders.
    bool excludesFolderName(std::string_view name) const;
    // A stored path ("~" form or absolute): its file name by excludesName, each ancestor by
    // excludesFolderName.
    bool isExcluded(std::string_view storedPath) const;

    friend bool operator==(const ExclusionRules&, const ExclusionRules&) = default;
};

// fnmatch(3) with no flags, with a fast path for the common "prefix*" and "*suffix" shapes.
bool matchesPattern(const std::string& pattern, std::string_view name);

} // namespace keldra
