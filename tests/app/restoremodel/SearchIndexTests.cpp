#include "restore/model/RestoreListing.h"
#include "restore/model/RestoreSearchIndex.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace keldra {
namespace {

RemoteEntry entry(const std::string& path, const std::string& id, std::optional<std::int64_t> size) {
    KeldraFile file;
    file.id = FlexID(id);
    if (size) {
        file.sizeBytes = FlexInt(*size);
    }
    return RemoteEntry{file, path};
}

RestoreSearchIndex indexOf(const std::vector<std::string>& paths) {
    RemoteCatalog catalog;
    int id = 1;
    for (const auto& path : paths) {
        catalog.byPath[path].push_back(entry(path, std::to_string(id++), 10));
    }
    return RestoreSearchIndex(std::make_shared<const RemoteCatalog>(std::move(catalog)));
}

std::vector<std::string> found(const RestoreSearchIndex& index, const std::string& query) {
    std::vector<std::string> ids;
    for (const auto& node : index.search(query)) {
        ids.push_back(node->id);
    }
    return ids;
}

TEST(RestoreSearch, MatchesTrimmedTextOfTwoCharactersInAnyCase) {
    const auto index = indexOf(
        {"~/Abc.txt", "~/xaBy.txt", "~/AB/inner.txt", "~/other.txt", "~/Ärger.txt", "~/cafe\xcc\x81.txt"});
    struct Case {
        std::string query;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {"", {}},
        {"a", {}},
        {"  a  ", {}},       // one letter between blanks
        {"\t\xc3\xa9 ", {}}, // one letter between a tab and a blank
        {"e\xcc\x81", {}},   // a letter with its combining mark is one character
        {"ab", {"~/AB/inner.txt", "~/Abc.txt", "~/xaBy.txt"}},
        {" AB\t", {"~/AB/inner.txt", "~/Abc.txt", "~/xaBy.txt"}},
        {"ab\n", {}}, // line breaks are not trimmed
        {"\xc3\x84R", {"~/\xc3\x84rger.txt"}},
        {"\xc3\xa4r", {"~/\xc3\x84rger.txt"}},
        {"fe\xcc\x81", {"~/cafe\xcc\x81.txt"}},
        {"/inner", {"~/AB/inner.txt"}}, // whole paths are searched
        {"~/ab/", {"~/AB/inner.txt"}},
        {"zz", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(found(index, c.query), c.expected) << "query \"" << c.query << '"';
    }
}

TEST(RestoreSearch, GivesTheFirst500InNaturalOrder) {
    std::vector<std::string> paths;
    for (int i = 600; i >= 1; --i) {
        paths.push_back("~/Docs/file" + std::to_string(i) + ".txt");
    }
    paths.push_back("~/Other/x.txt");
    const auto result = found(indexOf(paths), "FILE");
    ASSERT_EQ(result.size(), 500u);
    for (int i = 1; i <= 500; ++i) {
        EXPECT_EQ(result[static_cast<std::size_t>(i - 1)], "~/Docs/file" + std::to_string(i) + ".txt");
    }
}

TEST(RestoreSearch, ResultNodesAreNewFilesWithTheCatalogsVersions) {
    RemoteCatalog catalog;
    catalog.byPath["~/a/report.txt"] = {entry("~/a/report.txt", "9", 70), entry("~/a/report.txt", "3", 50)};
    catalog.byPath["~/a/report-unsized.txt"] = {entry("~/a/report-unsized.txt", "4", std::nullopt)};
    const auto listing = RestoreListing::build(std::move(catalog));
    const auto nodes = listing.search->search("report");
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]->id, "~/a/report-unsized.txt");
    EXPECT_EQ(nodes[0]->totalBytes, 0);
    EXPECT_EQ(nodes[1]->id, "~/a/report.txt");
    EXPECT_EQ(nodes[1]->name, "report.txt");
    EXPECT_FALSE(nodes[1]->isFolder());
    EXPECT_EQ(nodes[1]->fileCount, 1);
    EXPECT_EQ(nodes[1]->totalBytes, 70);
    EXPECT_EQ(nodes[1]->versions, listing.catalog->byPath.at("~/a/report.txt"));
    // Not the tree's own node.
    ASSERT_EQ(listing.tree.size(), 1u);
    EXPECT_NE(listing.tree[0]->children->at(1).get(), nodes[1].get());
}

} // namespace
} // namespace keldra
