#include "core/index/BackupIndex.h"
#include "core/index/IndexStatements.h"
#include "tests/support/RecordingLogger.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace keldra {
namespace {

using Bind = BackupIndex::Bind;

class IndexFiles : public ::testing::Test {
protected:
    test::TempDir dir;
    test::RecordingLogger logger;
    BackupIndex index{dir.path(), logger};

    IndexedFile linked(const std::string& path, const std::string& id, std::int64_t size = 10,
                       const std::string& source = "src") {
        return IndexedFile{path, source, size, 100.25, "hash-" + id, id, 200.5, std::nullopt};
    }
};

TEST_F(IndexFiles, UpsertReplacesEveryColumnIncludingBackToNull) {
    index.upsertFile({"~/a", "s1", 10, 1.5, "h", "id1", 2.5, 3.5});
    const IndexedFile replaced{"~/a", "s2", 20, 4.5, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
    index.upsertFile(replaced);

    EXPECT_EQ(index.file("~/a"), replaced);
    EXPECT_EQ(index.files().size(), 1u);
    EXPECT_EQ(index.file("~/unknown"), std::nullopt);
}

TEST_F(IndexFiles, FilesBySourceAndSourceStats) {
    index.upsertFile(linked("~/a", "1", 100, "s1"));
    index.upsertFile(linked("~/b", "2", 50, "s1"));
    index.upsertFile({"~/c", "s1", 999, 1, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    index.upsertFile(linked("~/d", "3", 7, "s2"));

    EXPECT_EQ(index.files().size(), 4u);
    EXPECT_EQ(index.files("s1").size(), 3u);
    EXPECT_EQ(index.files("none").size(), 0u);

    // Only linked files count; the unlinked ~/c does not.
    EXPECT_EQ(index.sourceStats("s1"), (SourceStats{2, 150, 200.5}));
    EXPECT_EQ(index.sourceStats("empty"), (SourceStats{0, 0, std::nullopt}));
    EXPECT_EQ(index.backedUpFileCount(), 3);
    EXPECT_EQ(index.backedUpBytes(), 157);
}

TEST_F(IndexFiles, VersionsNewestFirstSupersedeAndExpiry) {
    index.addVersion({"v1", "~/a", 1, 10.0, std::nullopt, 1});
    index.addVersion({"v2", "~/a", 2, 30.0, std::nullopt, 1});
    index.addVersion({"v3", "~/a", 3, 20.0, std::nullopt, 2});
    index.addVersion({"w1", "~/other", 4, 5.0, std::nullopt, 1});

    index.supersedeOtherVersions("~/a", "v2", 40.0);
    auto versions = index.versions("~/a");
    ASSERT_EQ(versions.size(), 3u);
    EXPECT_EQ(versions[0], (IndexedVersion{"v2", "~/a", 2, 30.0, std::nullopt, 1}));
    EXPECT_EQ(versions[1], (IndexedVersion{"v3", "~/a", 3, 20.0, 40.0, 2}));
    EXPECT_EQ(versions[2], (IndexedVersion{"v1", "~/a", 1, 10.0, 40.0, 1}));

    // An already superseded version keeps its first time.
    index.supersedeOtherVersions("~/a", "v3", 50.0);
    EXPECT_EQ(index.versions("~/a")[2].supersededAt, 40.0);

    EXPECT_TRUE(index.expiredVersions(40.0).empty());
    auto expired = index.expiredVersions(45.0);
    std::vector<std::string> ids;
    for (const auto& version : expired) {
        ids.push_back(version.keldraFileID);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<std::string>{"v1", "v3"}));
    EXPECT_TRUE(index.versions("~/nothing").empty());
}

TEST_F(IndexFiles, VersionFormatDefaultsToOneWhenNotStated) {
    ASSERT_TRUE(
        index.execute("INSERT INTO versions (keldra_file_id, path, size, created_at) VALUES (?, ?, ?, ?)",
                      {Bind::text("v"), Bind::text("~/a"), Bind::integer(1), Bind::real(1.0)}));
    EXPECT_EQ(index.versions("~/a").at(0).format, 1);
}

TEST_F(IndexFiles, ReconcileWithListing) {
    struct Case {
        const char* name;
        std::unordered_set<std::string> listed;
        std::int64_t unlinked;
        std::vector<std::string> stillLinked;
        std::vector<std::string> versionsLeft;
    };
    const std::vector<Case> cases = {
        {"empty listing", {}, 3, {}, {}},
        {"full listing", {"1", "2", "3", "old"}, 0, {"~/a", "~/b", "~/c"}, {"1", "2", "3", "old"}},
        {"partial listing", {"2", "old"}, 2, {"~/b"}, {"2", "old"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        index.clearFilesAndVersions();
        index.upsertFile(linked("~/a", "1"));
        index.upsertFile(linked("~/b", "2"));
        index.upsertFile(linked("~/c", "3"));
        index.upsertFile({"~/new", "src", 1, 1, std::nullopt, std::nullopt, std::nullopt, 9.0});
        for (const auto* id : {"1", "2", "3"}) {
            index.addVersion({id, "~/x", 1, 1.0, std::nullopt, 1});
        }
        index.addVersion({"old", "~/x", 1, 0.5, 1.0, 1});

        EXPECT_EQ(index.reconcileWithListing(c.listed).count(), c.unlinked);

        std::vector<std::string> stillLinked;
        for (const auto& file : index.files()) {
            if (file.keldraFileID) {
                stillLinked.push_back(file.path);
            } else if (file.path != "~/new") {
                // Unlinked rows lose id, hash and time together and keep the rest.
                EXPECT_EQ(file.keyedHash, std::nullopt);
                EXPECT_EQ(file.backedUpAt, std::nullopt);
                EXPECT_EQ(file.size, 10);
            }
        }
        std::sort(stillLinked.begin(), stillLinked.end());
        EXPECT_EQ(stillLinked, c.stillLinked);
        auto left = index.query("SELECT keldra_file_id FROM versions ORDER BY keldra_file_id", {},
                                [](const BackupIndex::Row& row) { return row.text(0); });
        EXPECT_EQ(left, c.versionsLeft);
        EXPECT_EQ(index.file("~/new")->missingSince, 9.0);
    }
    EXPECT_TRUE(logger.lines().empty());
}

TEST_F(IndexFiles, ClearFilesAndVersionsKeepsRunsFailuresAndMeta) {
    index.upsertFile(linked("~/a", "1"));
    index.addVersion({"1", "~/a", 1, 1.0, std::nullopt, 1});
    auto run = index.startRun("Manual", fromUnixSeconds(5));
    index.addFailure(run, "~/a", "why");
    index.setMeta(metakey::lastSuccess, "5");

    index.clearFilesAndVersions();

    EXPECT_TRUE(index.files().empty());
    EXPECT_TRUE(index.versions("~/a").empty());
    EXPECT_EQ(index.recentRuns(5).size(), 1u);
    EXPECT_EQ(index.failures(run).size(), 1u);
    EXPECT_EQ(index.meta(metakey::lastSuccess), "5");
}

TEST_F(IndexFiles, CallerStatementsAndTheirFailures) {
    index.upsertFile(linked("~/a", "1"));
    EXPECT_TRUE(index.execute(indexsql::setMissingSince, {Bind::real(7.0), Bind::text("~/a")}));
    EXPECT_EQ(index.file("~/a")->missingSince, 7.0);
    EXPECT_TRUE(index.execute(indexsql::setMissingSince, {Bind::null(), Bind::text("~/a")}));
    EXPECT_EQ(index.file("~/a")->missingSince, std::nullopt);
    EXPECT_TRUE(index.execute(indexsql::deleteFile, {Bind::text("~/a")}));
    EXPECT_EQ(index.file("~/a"), std::nullopt);
    EXPECT_TRUE(logger.lines().empty());

    // A syntax error is logged with the message and the text; nothing throws.
    EXPECT_FALSE(index.execute("SELEC nonsense", {}));
    ASSERT_EQ(logger.lines().size(), 1u);
    EXPECT_EQ(logger.lines()[0], "sqlite prepare failed: near \"SELEC\": syntax error \u2014 SELEC nonsense");
    EXPECT_TRUE(index.query("SELEC nonsense", {}, [](const BackupIndex::Row& row) { return row.integer(0); })
                    .empty());

    // A statement that compiles but fails when run.
    EXPECT_FALSE(index.execute("INSERT INTO files (path, source_id, size, mtime) VALUES (?, NULL, 1, 1)",
                               {Bind::text("~/z")}));
    EXPECT_EQ(logger.lines().back(), "sqlite step failed: NOT NULL constraint failed: files.source_id");

    // Only the first statement of a longer text runs.
    EXPECT_TRUE(index.execute("INSERT INTO meta (key, value) VALUES ('a', '1'); DELETE FROM meta", {}));
    EXPECT_EQ(index.meta("a"), "1");
}

TEST_F(IndexFiles, TextBindsKeepEmbeddedZerosAndUnicode) {
    const std::string path = std::string("~/Fotos/\xC3\xA9t\xC3\xA9") + '\0' + "x";
    index.upsertFile({path, "s", 1, 1, std::nullopt, std::nullopt, std::nullopt, std::nullopt});
    auto row = index.file(path);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->path, path);
}

} // namespace
} // namespace keldra
