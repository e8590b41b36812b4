#include "core/scan/ExclusionRules.h"
#include "core/settings/BackupSettings.h"

#include <fnmatch.h>
#include <gtest/gtest.h>

namespace keldra {
namespace {

ExclusionRules rules(bool junk, bool caches, bool developer, std::vector<std::string> patterns = {}) {
    return ExclusionRules{junk, caches, developer, std::move(patterns)};
}

TEST(ExclusionRules, FileNamesFollowTheJunkSwitchAndCustomPatterns) {
    struct Case {
        std::string name;
        bool junkOn;
        bool junkOff;
    };
    const std::vector<Case> cases{
        {"._photo.jpg", true, false}, {"report.tmp", true, false},
        {"draft.temp", true, false},  {"~$letter.docx", true, false},
        {".notes.swp", true, false},  {"movie.crdownload", true, false},
        {"big.part", true, false},    {"thing.download", true, false},
        {".DS_Store", true, false},   {"Icon\r", true, false},
        {"Icon", false, false},       {"report.TMP", false, false},
        {"photo.jpg", false, false},  {"._", true, false},
        {"build", false, false},      {"node_modules", false, false},
        {"Caches", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rules(true, true, true).excludesName(c.name), c.junkOn) << c.name;
        EXPECT_EQ(rules(false, true, true).excludesName(c.name), c.junkOff) << c.name;
    }
    // Custom patterns apply whatever the junk switch says; wildcards match a leading dot.
    const auto custom = rules(false, false, false, {"*.iso", "secret?.txt", ".*rc"});
    EXPECT_TRUE(custom.excludesName("disk.iso"));
    EXPECT_TRUE(custom.excludesName(".iso"));
    EXPECT_TRUE(custom.excludesName("secret1.txt"));
    EXPECT_FALSE(custom.excludesName("secret12.txt"));
    EXPECT_TRUE(custom.excludesName(".bashrc"));
    EXPECT_FALSE(custom.excludesName("disk.ISO"));
}

TEST(ExclusionRules, FromSettingsTrimsSpacesAndTabsOnlyAndDropsBlankPatterns) {
    BackupSettings settings;
    settings.excludeSystemJunk = false;
    settings.excludeCaches = true;
    settings.excludeDeveloperFolders = true;
    settings.customExclusions = {" *.iso ", "\t", "   ", "", "\t*.bak\t", "*.log\n"};
    const auto built = ExclusionRules::fromSettings(settings);
    EXPECT_FALSE(built.excludeSystemJunk);
    EXPECT_TRUE(built.excludeCaches);
    EXPECT_TRUE(built.excludeDeveloperFolders);
    EXPECT_EQ(built.customPatterns, (std::vector<std::string>{"*.iso", "*.bak", "*.log\n"}));
    EXPECT_TRUE(built.excludesName("disk.iso"));
    EXPECT_FALSE(built.excludesName("x.log"));
}

TEST(ExclusionRules, StoredPathsTestTheFileNameAndEveryAncestor) {
    struct Case {
        std::string path;
        ExclusionRules rules;
        bool excluded;
    };
    const std::vector<Case> cases{
        {"~/Library/Caches/x.db", rules(false, true, false), true},
        {"~/Library/Caches/x.db", rules(true, false, true), false},
        {"~/Documents/Caches.txt", rules(true, true, true), false},
        {"~/code/app/node_modules/left-pad/index.js", rules(false, false, true), true},
        {"~/code/app/node_modules/left-pad/index.js", rules(true, true, false), false},
        {"~/code/build", rules(false, false, true), false}, // a file named build
        {"/Volumes/Data/.Spotlight-V100/store.db", rules(true, false, false), true},
        {"~/._folder/file.txt", rules(true, false, false), false}, // junk patterns are for file names only
        {"~/dl/part.iso/a.txt", rules(false, false, false, {"*.iso"}), true},
        {"~/photo.jpg.tmp", rules(true, false, false), true},
        {"~/a//b/.DS_Store", rules(true, false, false), true},
        {"~", rules(true, true, true, {"~"}), true},  // the lone component is the file name
        {"/", rules(true, true, true, {"*"}), false}, // no components at all
        {"", rules(true, true, true, {"*"}), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.rules.isExcluded(c.path), c.excluded) << c.path;
    }
}

TEST(ExclusionRules, PatternMatchingAgreesWithFnmatchWithoutFlags) {
    const std::vector<std::string> patterns{
        "*.iso", "._*",  "~$*", "*",  "a*b",   "[ab]*", "*\\*", "photo",  "*.tar.gz",
        "?x",    "\\*x", "*[",  ".*", "x*y*z", "*/b",   "",     "*.jpg*", "a\\",
    };
    const std::vector<std::string> names{
        "disk.iso", ".iso",     "._x", "~$doc",   "a",   "ab",  "axxb", "b1",        "x*",  "*x", "photo",
        "Photo",    "x.tar.gz", "xx",  ".hidden", "xyz", "a/b", "",     "f.jpg.bak", "a\\", "[",  "\xff.iso",
    };
    for (const auto& pattern : patterns) {
        for (const auto& name : names) {
            EXPECT_EQ(matchesPattern(pattern, name), ::fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
                << "pattern '" << pattern << "' name '" << name << "'";
        }
    }
}

TEST(ExclusionRules, BuiltInTablesHoldTheFixedNames) {
    EXPECT_EQ(ExclusionRules::systemJunkNames().size(), 9u);
    EXPECT_EQ(ExclusionRules::junkPatterns().size(), 8u);
    EXPECT_EQ(ExclusionRules::cacheFolderNames().size(), 7u);
    EXPECT_EQ(ExclusionRules::developerFolderNames().size(), 10u);
    EXPECT_TRUE(ExclusionRules::systemJunkNames().contains(std::string_view("Icon\r")));
    EXPECT_EQ(ExclusionRules::junkPatterns().front(), "._*");
}

} // namespace
} // namespace keldra
