#include "restore/tree/NaturalOrder.h"
#include "restore/tree/RestoreNode.h"

#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <string>
#include <vector>

namespace keldra {
namespace {

using ByPath = std::map<std::string, std::vector<RemoteEntry>>;

RemoteEntry entry(const std::string& path, const std::string& id, std::optional<std::int64_t> size) {
    KeldraFile file;
    file.id = FlexID(id);
    if (size) {
        file.sizeBytes = FlexInt(*size);
    }
    return RemoteEntry{file, path};
}

ByPath single(const std::vector<std::pair<std::string, std::int64_t>>& files) {
    ByPath byPath;
    int id = 1;
    for (const auto& [path, size] : files) {
        byPath[path].push_back(entry(path, std::to_string(id++), size));
    }
    return byPath;
}

std::vector<std::string> names(const std::vector<RestoreNodePtr>& nodes) {
    std::vector<std::string> out;
    for (const auto& node : nodes) {
        out.push_back(node->name);
    }
    return out;
}

std::vector<std::string> ids(const std::vector<RestoreNodePtr>& nodes) {
    std::vector<std::string> out;
    for (const auto& node : nodes) {
        out.push_back(node->id);
    }
    return out;
}

TEST(RestoreTree, EmptyCatalogGivesEmptyTree) {
    EXPECT_TRUE(RestoreNode::buildTree({}).empty());
}

TEST(RestoreTree, HomeOnlyTreeShowsHomeContentsAtTheTop) {
    const auto top = RestoreNode::buildTree(single({{"~/Documents/a.txt", 10}, {"~/notes.txt", 5}}));
    EXPECT_EQ(names(top), (std::vector<std::string>{"Documents", "notes.txt"}));
    EXPECT_EQ(ids(top), (std::vector<std::string>{"~/Documents", "~/notes.txt"}));
    ASSERT_TRUE(top[0]->isFolder());
    EXPECT_EQ(ids(*top[0]->children), (std::vector<std::string>{"~/Documents/a.txt"}));
}

TEST(RestoreTree, AnAbsolutePathKeepsHomeAsAFolder) {
    const auto top = RestoreNode::buildTree(single({{"~/a.txt", 1}, {"/Volumes/Data/b.txt", 2}}));
    ASSERT_EQ(top.size(), 2u);
    // Both folders; natural order of names puts "Home" before "Volumes".
    EXPECT_EQ(names(top), (std::vector<std::string>{"Home", "Volumes"}));
    EXPECT_EQ(ids(top), (std::vector<std::string>{"~", "/Volumes"}));
    EXPECT_EQ(ids(*top[1]->children), (std::vector<std::string>{"/Volumes/Data"}));
    EXPECT_EQ(ids(*(*top[1]->children)[0]->children), (std::vector<std::string>{"/Volumes/Data/b.txt"}));
}

TEST(RestoreTree, AHomeFileAloneAtTheTopIsNotCollapsed) {
    // The root's only child is a file, not the "~" folder: nothing to collapse.
    const auto top = RestoreNode::buildTree(single({{"/a.txt", 1}}));
    EXPECT_EQ(ids(top), (std::vector<std::string>{"/a.txt"}));
    EXPECT_FALSE(top[0]->isFolder());
}

TEST(RestoreTree, FoldersFirstThenNaturalCaseInsensitiveOrder) {
    const auto top = RestoreNode::buildTree(single({{"~/file10.txt", 1},
                                                    {"~/file2.txt", 1},
                                                    {"~/banana", 1},
                                                    {"~/Apple", 1},
                                                    {"~/zeta/x", 1},
                                                    {"~/Alpha/x", 1},
                                                    {"~/img007.png", 1},
                                                    {"~/img8.png", 1}}));
    EXPECT_EQ(names(top), (std::vector<std::string>{"Alpha", "zeta", "Apple", "banana", "file2.txt",
                                                    "file10.txt", "img007.png", "img8.png"}));
}

TEST(RestoreTree, TotalsAddUpAndUseEachFilesNewestVersion) {
    ByPath byPath;
    byPath["~/docs/a.txt"] = {entry("~/docs/a.txt", "2", 100), entry("~/docs/a.txt", "1", 9999)};
    byPath["~/docs/sub/b.txt"] = {entry("~/docs/sub/b.txt", "3", 20)};
    byPath["~/docs/sub/unknown"] = {entry("~/docs/sub/unknown", "4", std::nullopt)};
    byPath["~/c.txt"] = {entry("~/c.txt", "5", 7)};
    const auto top = RestoreNode::buildTree(byPath);
    ASSERT_EQ(names(top), (std::vector<std::string>{"docs", "c.txt"}));
    const auto& docs = *top[0];
    EXPECT_EQ(docs.fileCount, 3);
    EXPECT_EQ(docs.totalBytes, 120);
    const auto& a = *(*docs.children)[1];
    EXPECT_EQ(a.name, "a.txt");
    EXPECT_EQ(a.totalBytes, 100);
    EXPECT_EQ(a.versions.size(), 2u);
    EXPECT_EQ(a.fileCount, 1);
    const auto& sub = *(*docs.children)[0];
    EXPECT_EQ(sub.fileCount, 2);
    EXPECT_EQ(sub.totalBytes, 20);
}

TEST(RestoreTree, HugeListedSizesSaturateInsteadOfWrapping) {
    const auto max = std::numeric_limits<std::int64_t>::max();
    const auto top = RestoreNode::buildTree(single({{"~/big/a", max}, {"~/big/b", max}, {"~/big/c", 1}}));
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0]->totalBytes, max);
    EXPECT_EQ(top[0]->fileCount, 3);
}

TEST(RestoreTree, AFileThatIsAlsoAFolderGivesTwoSiblings) {
    const auto top = RestoreNode::buildTree(single({{"~/a", 1}, {"~/a/b", 2}}));
    ASSERT_EQ(top.size(), 2u);
    EXPECT_EQ(top[0]->id, "~/a");
    EXPECT_TRUE(top[0]->isFolder());
    EXPECT_EQ(top[1]->id, "~/a");
    EXPECT_FALSE(top[1]->isFolder());
    EXPECT_EQ(*top[0], *top[1]); // identity is the id
}

TEST(NaturalOrder, ComparesDigitRunsByValueAndIgnoresCase) {
    struct Case {
        std::string a;
        std::string b;
        int order;
    };
    const std::vector<Case> cases = {
        {"file2", "file10", -1},
        {"File2", "file10", -1},
        {"a", "B", -1},
        {"apple", "Apple", 1}, // equal but for case: byte order decides, consistently
        {"x01", "x1", -1},     // equal value: byte order decides
        {"x1", "x1", 0},
        {"", "a", -1},
        {"a", "a1", -1},
        {"v1.10", "v1.9", 1},
        {"99999999999999999999999", "100000000000000000000000", -1}, // beyond 64 bits
        {"Émile", "émile", -1},
        {"émile", "zed", 1},   // code point order outside ASCII
        {"a\xff", "a\xfe", 1}, // malformed bytes still order
    };
    for (const auto& c : cases) {
        EXPECT_EQ(naturalCompare(c.a, c.b), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(naturalCompare(c.b, c.a), -c.order) << c.b << " vs " << c.a;
    }
}

} // namespace
} // namespace keldra
