#include "restore/engine/DriveObjectFile.h"
#include "restore/model/RestoreItems.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace keldra {
namespace {

RemoteEntry version(const std::string& path, const std::string& id, std::optional<std::int64_t> size,
                    std::optional<std::string> iv = std::nullopt) {
    KeldraFile file;
    file.id = FlexID(id);
    if (size) {
        file.sizeBytes = FlexInt(*size);
    }
    file.encryptionIv = std::move(iv);
    return RemoteEntry{file, path};
}

std::vector<RestoreNodePtr> tree(const std::map<std::string, std::vector<RemoteEntry>>& byPath) {
    return RestoreNode::buildTree(byPath);
}

RestoreNodePtr child(const RestoreNodePtr& folder, const std::string& name) {
    for (const auto& node : *folder->children) {
        if (node->name == name) {
            return node;
        }
    }
    return nullptr;
}

TEST(RestoreItems, AFileGivesItsChosenVersionElseTheNewest) {
    const auto file = RestoreNode::makeFile(
        "~/Docs/a.txt", "a.txt",
        {version("~/Docs/a.txt", "7", 70, "iv7"), version("~/Docs/a.txt", "5", std::nullopt, "iv5")});
    struct Case {
        std::optional<FlexID> selected;
        std::string id;
        std::int64_t size;
        std::optional<std::string> iv;
    };
    for (const Case& c : std::vector<Case>{
             {std::nullopt, "7", 70, "iv7"}, {FlexID("5"), "5", 0, "iv5"}, {FlexID("42"), "7", 70, "iv7"}}) {
        const auto items = makeRestoreItems(*file, c.selected);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0], (RestoreItem{FlexID(c.id), "~/Docs/a.txt", c.size, "a.txt", c.iv}));
    }
    EXPECT_TRUE(makeRestoreItems(*RestoreNode::makeFile("~/x", "x", {}), std::nullopt).empty());
}

TEST(RestoreItems, AFolderGivesTheNewestOfEveryFileBelowItUnderItsName) {
    std::map<std::string, std::vector<RemoteEntry>> byPath;
    byPath["~/Documents/a/b.txt"] = {version("~/Documents/a/b.txt", "2", 20),
                                     version("~/Documents/a/b.txt", "1", 10)};
    byPath["~/Documents/c.txt"] = {version("~/Documents/c.txt", "3", 30)};
    byPath["/etc/hosts"] = {version("/etc/hosts", "4", 40)};
    const auto top = tree(byPath);
    ASSERT_EQ(top.size(), 2u); // "/etc" and Home
    const auto home = top[0]->id == "~" ? top[0] : top[1];
    ASSERT_EQ(home->name, "Home");
    const auto documents = child(home, "Documents");
    ASSERT_TRUE(documents);

    auto items = makeRestoreItems(*documents, FlexID("1")); // the chosen version plays no part
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0],
              (RestoreItem{FlexID("2"), "~/Documents/a/b.txt", 20, "Documents/a/b.txt", std::nullopt}));
    EXPECT_EQ(items[1], (RestoreItem{FlexID("3"), "~/Documents/c.txt", 30, "Documents/c.txt", std::nullopt}));

    items = makeRestoreItems(*home, std::nullopt);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].relativePath, "Home/Documents/a/b.txt");

    EXPECT_EQ(versionIDsBelow(*documents), (std::vector<FlexID>{FlexID("2"), FlexID("1"), FlexID("3")}));
    EXPECT_EQ(versionIDsBelow(*child(documents, "c.txt")), (std::vector<FlexID>{FlexID("3")}));
}

TEST(RestoreItems, FoldersWithoutVersionedFilesGiveNothing) {
    auto outer = RestoreNode::makeFolder("~/Empty", "Empty");
    outer->children->push_back(RestoreNode::makeFolder("~/Empty/inner", "inner"));
    EXPECT_TRUE(RestoreNode::collectFiles({outer}).empty());
    EXPECT_TRUE(makeRestoreItems(*outer, std::nullopt).empty());

    outer->children->push_back(RestoreNode::makeFile("~/Empty/bare.txt", "bare.txt", {}));
    EXPECT_EQ(RestoreNode::collectFiles({outer}).size(), 1u);
    EXPECT_TRUE(makeRestoreItems(*outer, std::nullopt).empty());
}

TEST(DriveObjectFile, OnlyDriveObjectIdsBecomePaths) {
    const std::string good = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(driveObjectFile("/drive/dev", good),
              std::filesystem::path("/drive/dev/objects/01/0123456789abcdef0123456789abcdef.olo"));
    for (const std::string bad : {"", "42", "0123456789ABCDEF0123456789ABCDEF",
                                  "../../../../etc/passwd0000000000", "0123456789abcdef0123456789abcdeg",
                                  "0123456789abcdef0123456789abcdef0", "/123456789abcdef0123456789abcdef"}) {
        EXPECT_FALSE(driveObjectFile("/drive/dev", bad)) << bad;
    }
}

} // namespace
} // namespace keldra
