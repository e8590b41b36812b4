// The restore browser on a large backup, against two baselines measured in the same run on the same
// listing: the catalog build on one thread (opening every sealed name), and one naive case-insensitive
// pass over every stored path (a lower-cased copy and a substring search each).
//
// The listing is fixed by its seed: 200,000 files in about 20,000 folders, one file in ten with two or
// three versions. Measured:
//   - the tree build together with the search index the restore model keeps (target: at most 0.75 times
//     the catalog build);
//   - a search for a two-letter text matching about a third of the paths, and one for a text matching a
//     few dozen (target: each at most the naive pass). Each result is checked against the plain rule:
//     every matching path, sorted in natural order, first 500.
//
//   restore_tree_bench [files, default 200000] [rounds, default 5]

#include "core/crypto/KeldraKey.h"
#include "restore/catalog/RemoteCatalog.h"
#include "restore/model/RestoreListing.h"
#include "restore/model/RestoreSearchIndex.h"
#include "restore/model/SearchText.h"
#include "restore/tree/NaturalOrder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace keldra;

namespace {

[[noreturn]] void die(const std::string& message) {
    std::fprintf(stderr, "restore_tree_bench: %s\n", message.c_str());
    std::exit(1);
}

// The fastest of `rounds` runs of `work`, in seconds; `result` keeps the last result. Freeing an earlier
// result is not part of a run.
template <typename Result, typename Work> double fastest(int rounds, Result& result, const Work& work) {
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        result = Result{};
        const auto start = std::chrono::steady_clock::now();
        Result fresh = work();
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        result = std::move(fresh);
    }
    return best;
}

const std::vector<std::string> folderWords{"Documents", "Photos",  "Projects", "Music",   "Archive", "Work",
                                           "Invoices",  "Holiday", "Drafts",   "Scans",   "Family",  "Code",
                                           "Reports",   "Clients", "Budget",   "Letters", "Videos",  "Notes"};
const std::vector<std::string> fileWords{"IMG_",   "report ", "Scan ",   "notes-", "Budget ",  "track ",
                                         "draft ", "DSC",     "letter ", "photo ", "Invoice ", "clip "};
const std::vector<std::string> extensions{".jpg", ".pdf", ".txt", ".docx", ".mp3", ".png", ".xlsx", ".mov"};

// Stored paths: about 20,000 folders up to four levels below home, then the files spread over them; a few
// dozen files carry a rare name.
std::vector<std::string> makePaths(std::size_t fileCount, std::mt19937_64& random) {
    const std::size_t folderCount = std::max<std::size_t>(1, fileCount / 10);
    std::vector<std::string> folders{"~"};
    while (folders.size() < folderCount) {
        const std::string& parent = folders[random() % folders.size()];
        if (std::count(parent.begin(), parent.end(), '/') >= 4) {
            continue;
        }
        folders.push_back(parent + "/" + folderWords[random() % folderWords.size()] + " " +
                          std::to_string(random() % 3000));
    }
    std::vector<std::string> paths;
    paths.reserve(fileCount);
    for (std::size_t i = 0; i < fileCount; ++i) {
        const std::string& folder = folders[i < folders.size() ? i : random() % folders.size()];
        std::string name = i % 5000 == 17 ? "Tax return " + std::to_string(i / 5000)
                                          : fileWords[random() % fileWords.size()] + std::to_string(i);
        paths.push_back(folder + "/" + name + extensions[random() % extensions.size()]);
    }
    return paths;
}

std::vector<KeldraFile> makeListing(const std::vector<std::string>& paths, const KeldraKey& key,
                                    std::mt19937_64& random) {
    std::vector<KeldraFile> files;
    std::int64_t id = 1000;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const int versions = i % 10 == 3 ? 2 + static_cast<int>(random() % 2) : 1;
        for (int v = 0; v < versions; ++v) {
            KeldraFile file;
            file.id = FlexID(id++);
            file.nameSealed = FlexBool{true};
            file.encryptedName = key.sealName(paths[i]);
            file.sizeBytes = FlexInt{static_cast<std::int64_t>(random() % 5000000)};
            file.encryptionIv = "AAAAAAAAAAAAAAAA";
            file.mimeType = "application/octet-stream";
            file.createdAt =
                "2025-0" + std::to_string(1 + v) + "-1" + std::to_string(random() % 10) + "T10:00:00.000000Z";
            files.push_back(std::move(file));
        }
    }
    std::shuffle(files.begin(), files.end(), random);
    return files;
}

// The plain rule, for checking: every path containing the text in any case, natural order, first 500.
std::vector<std::string> expectedMatches(const RemoteCatalog& catalog, const std::string& query) {
    const std::string needle = foldedForSearch(RestoreSearchIndex::effectiveQuery(query));
    std::vector<std::string> found;
    for (const auto& [path, entries] : catalog.byPath) {
        if (foldedForSearch(path).find(needle) != std::string::npos) {
            found.push_back(path);
        }
    }
    std::sort(found.begin(), found.end(), naturalLess);
    if (found.size() > RestoreSearchIndex::resultLimit) {
        found.resize(RestoreSearchIndex::resultLimit);
    }
    return found;
}

std::size_t countMatches(const RemoteCatalog& catalog, const std::string& needle) {
    std::size_t count = 0;
    for (const auto& [path, entries] : catalog.byPath) {
        count += foldedForSearch(path).find(needle) != std::string::npos ? 1 : 0;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t fileCount = argc > 1 ? static_cast<std::size_t>(std::atoll(argv[1])) : 200000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::mt19937_64 random(20261210);
    SymmetricKey keyBytes{};
    for (std::size_t i = 0; i < keyBytes.size(); ++i) {
        keyBytes[i] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    const KeldraKey key(keyBytes);
    const std::vector<std::string> paths = makePaths(fileCount, random);
    const std::vector<KeldraFile> listing = makeListing(paths, key, random);

    // Baseline 1: the catalog build, one thread.
    RemoteCatalog catalog;
    const double catalogTime = fastest(rounds, catalog, [&] { return RemoteCatalog::build(listing, key); });
    if (catalog.byPath.size() != paths.size() || !catalog.unreadable.empty()) {
        die("the catalog does not hold every path");
    }
    auto shared = std::make_shared<const RemoteCatalog>(std::move(catalog));

    // A two-letter text matching about a third of the paths: the most even of a few candidates.
    std::string common;
    std::size_t commonHits = 0;
    for (const std::string candidate : {"ta", "re", "ma", "in", "es", "ro", "an", "le", "ot", "nt"}) {
        const std::size_t hits = countMatches(*shared, candidate);
        const auto distance = [&](std::size_t h) {
            return std::abs(static_cast<double>(h) / static_cast<double>(shared->byPath.size()) - 1.0 / 3);
        };
        if (common.empty() || distance(hits) < distance(commonHits)) {
            common = candidate;
            commonHits = hits;
        }
    }
    const std::string rare = "TAX RETURN";
    const std::size_t rareHits = countMatches(*shared, foldedForSearch(rare));

    // Baseline 2: one naive case-insensitive pass over every path.
    std::size_t naiveHits = 0;
    const double naiveTime = fastest(rounds, naiveHits, [&] { return countMatches(*shared, common); });

    // The tree build with the search index, as the model publishes them.
    RestoreListing built;
    const double treeTime = fastest(rounds, built, [&] { return RestoreListing::build(shared); });
    if (built.tree.empty()) {
        die("the tree is empty");
    }

    std::printf("listing: %zu records, %zu paths, %zu top-level nodes\n", listing.size(),
                shared->byPath.size(), built.tree.size());
    std::printf("catalog build (baseline):        %8.1f ms\n", catalogTime * 1e3);
    std::printf("naive case-insensitive pass:     %8.1f ms (%zu paths contain \"%s\")\n", naiveTime * 1e3,
                naiveHits, common.c_str());
    std::printf(
        "tree build with search index:    %8.1f ms  ratio %.3f to the catalog build (target <= 0.75)\n",
        treeTime * 1e3, treeTime / catalogTime);

    bool ok = treeTime <= 0.75 * catalogTime;
    for (const auto& [query, hits] : {std::pair{common, commonHits}, std::pair{rare, rareHits}}) {
        std::vector<RestoreNodePtr> result;
        const double searchTime = fastest(rounds, result, [&] { return built.search->search(query); });
        std::vector<std::string> got;
        for (const auto& node : result) {
            got.push_back(node->id);
        }
        if (got != expectedMatches(*shared, query)) {
            die("the search for \"" + query + "\" differs from the plain rule");
        }
        std::printf(
            "search \"%s\" (%zu matching paths): %8.3f ms  ratio %.3f to the naive pass (target <= 1.0)\n",
            query.c_str(), hits, searchTime * 1e3, searchTime / naiveTime);
        ok = ok && searchTime <= naiveTime;
    }
    std::printf("%s\n", ok ? "all targets met" : "a target was missed");
    return ok ? 0 : 2;
}
