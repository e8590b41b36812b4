// The run reads and seals the next files while one uploads. These tests hold it to the order of the one-file
// steps: tickets, PUTs and confirmations go file by file, an index row follows its confirmation, a stop ends
// the run with nothing recorded that the portal did not confirm, and a file read ahead that changes before
// its turn is judged as it is at its turn.

#include "EngineHarness.h"
#include "core/codec/Base64.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace keldra::test {
namespace {

class ReadAheadTest : public EngineTest {
protected:
    // Files large enough that reading and sealing them ahead is real work.
    void writeFiles(int count, std::size_t size = 256 * 1024, const std::string& folder = "Documents") {
        for (int i = 0; i < count; ++i) {
            writeHomeFile(folder + "/f" + std::to_string(i) + ".bin",
                          std::string(size, static_cast<char>('a' + i)));
        }
    }
    // The paths in the order the run took them.
    std::vector<std::string> uploadOrder() const {
        std::vector<std::string> order;
        for (const RunProgress& progress : progressEvents()) {
            if (progress.phase == RunPhase::uploading && progress.currentPath &&
                (order.empty() || order.back() != *progress.currentPath)) {
                order.push_back(*progress.currentPath);
            }
        }
        return order;
    }
    std::set<std::string> storedIDs() const {
        std::set<std::string> ids;
        for (const auto& file : storedFiles()) {
            ids.insert(FlexID::fromJson(file.at("id")).raw);
        }
        return ids;
    }
    std::set<std::string> recordedIDs() {
        std::set<std::string> ids;
        for (const IndexedFile& row : index_->files()) {
            if (row.keldraFileID) {
                ids.insert(*row.keldraFileID);
            }
        }
        return ids;
    }
    // The upload requests of the last run as "<endpoint> <path>", oldest first; a PUT names no path.
    std::vector<std::string> uploadSteps() const {
        std::vector<std::string> steps;
        for (const auto& request : control().requests()) {
            const std::string endpoint = request.at("endpoint").get<std::string>();
            if (endpoint == "upload-url" || endpoint == "storage-put") {
                steps.push_back(endpoint);
            } else if (endpoint == "upload-confirm") {
                const auto body = nlohmann::json::parse(request.at("body").get<std::string>());
                steps.push_back(endpoint + " " + openName({{"encrypted_name", body.at("encrypted_name")}}));
            }
        }
        return steps;
    }
};

TEST_F(ReadAheadTest, EachFileIsTicketedSentConfirmedAndRecordedBeforeTheNextOne) {
    struct Case {
        std::string name;
        nlohmann::json fault; // for the confirmation of the third file
        RunStatus status;
        bool laterFilesGoOn;
    };
    const std::vector<Case> cases = {
        {"refused", {{"status", 403}, {"body", R"({"message":"Not this one."})"}}, RunStatus::partial, true},
        {"blocked", {{"status", 403}, {"body", R"({"code":"keldra_suspended"})"}}, RunStatus::blocked, false},
        {"lost", {{"status", 503}, {"count", 3}}, RunStatus::partial, true},
    };
    const int fileCount = 6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each case backs up a folder of its own.
        writeFiles(fileCount, 256 * 1024, c.name);
        RunRequest request = this->request();
        request.sources = {folderSource(c.name, c.name)};
        const std::set<std::string> storedBefore = storedIDs();
        control().clearFaults();
        control().resetStats();
        nlohmann::json fault = c.fault;
        fault["endpoint"] = "upload-confirm";
        fault["skip"] = 2;
        control().addFault(fault);
        // Slow confirmations give the read-ahead time to prepare every later file.
        control().addFault({{"endpoint", "upload-confirm"}, {"latency_ms", 100}, {"count", -1}});

        const RunResult result = run(request);

        EXPECT_EQ(result.record.status, c.status);
        const std::vector<std::string> order = uploadOrder();
        const int taken = c.laterFilesGoOn ? fileCount : 3;
        ASSERT_EQ(order.size(), static_cast<std::size_t>(taken));
        // Per file: ticket, PUT, then confirmation(s); never a step of the next file in between.
        std::vector<std::string> expected;
        for (int i = 0; i < taken; ++i) {
            expected.insert(expected.end(), {"upload-url", "storage-put", "upload-confirm " + order[i]});
            if (i == 2 && c.name == "lost") {
                expected.insert(expected.end(), {"upload-confirm " + order[i], "upload-confirm " + order[i]});
            }
        }
        EXPECT_EQ(uploadSteps(), expected);
        // Only confirmed copies are recorded: the file whose confirmation failed has none, and no file after
        // it has one when the run ended there.
        const std::set<std::string> stored = storedIDs();
        EXPECT_EQ(stored.size(), storedBefore.size() + static_cast<std::size_t>(taken - 1));
        for (int i = 0; i < fileCount; ++i) {
            const std::string path = "~/" + c.name + "/f" + std::to_string(i) + ".bin";
            const auto row = fileRow(path);
            const bool reached = std::find(order.begin(), order.end(), path) != order.end();
            const bool expectCopy = reached && path != order[2];
            EXPECT_EQ(row && row->keldraFileID, expectCopy) << path;
            if (row && row->keldraFileID) {
                EXPECT_TRUE(stored.contains(*row->keldraFileID)) << path;
            }
        }
    }
}

TEST_F(ReadAheadTest, AStopWhileFilesAreInFlightEndsStoppedWithOnlyConfirmedCopiesRecorded) {
    const int fileCount = 12;
    writeFiles(fileCount, 512 * 1024);
    control().addFault({{"endpoint", "storage-put"}, {"latency_ms", 200}, {"count", -1}});
    CancelSource source;
    std::atomic<bool> running = true;
    std::thread stopper([&] {
        while (running && control().requestCount("storage-put") < 4) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        source.request_stop();
    });

    const RunResult result = run(request(), source.get_token());
    running = false;
    stopper.join();

    EXPECT_EQ(result.record.status, RunStatus::cancelled);
    EXPECT_EQ(result.outcome, RunOutcome::cancelled());
    EXPECT_EQ(result.record.message, "Stopped. The next run picks up where this one stopped.");
    const std::set<std::string> recorded = recordedIDs();
    EXPECT_LT(recorded.size(), static_cast<std::size_t>(fileCount));
    for (const std::string& id : recorded) {
        EXPECT_TRUE(storedIDs().contains(id)) << id << " is recorded but was never confirmed";
    }

    // The next run finishes the job, and every copy opens to its file.
    control().clearFaults();
    const RunResult next = run();
    EXPECT_EQ(next.record.status, RunStatus::succeeded);
    for (int i = 0; i < fileCount; ++i) {
        const auto row = fileRow("~/Documents/f" + std::to_string(i) + ".bin");
        ASSERT_TRUE(row && row->keldraFileID);
        for (const auto& file : storedFiles()) {
            if (FlexID::fromJson(file.at("id")).raw == *row->keldraFileID) {
                EXPECT_EQ(openBody(file), std::string(512 * 1024, static_cast<char>('a' + i)));
            }
        }
    }
}

TEST_F(ReadAheadTest, AFileChangedAfterItWasReadAheadIsJudgedAtItsTurn) {
    const int fileCount = 5;
    writeFiles(fileCount);
    control().addFault({{"endpoint", "upload-confirm"}, {"latency_ms", 100}, {"count", -1}});
    std::set<std::string> reached;
    bool changed = false;
    events_.clear();
    const RunResult result = engine_->run(
        request(),
        [&](const EngineEvent& event) {
            events_.push_back(event);
            const auto* progress = event.get<EngineEvent::Progress>();
            if (!progress || progress->progress.phase != RunPhase::uploading) {
                return;
            }
            if (progress->progress.currentPath) {
                reached.insert(*progress->progress.currentPath);
            }
            // Once the first file is up, the later ones have been read ahead: change them all.
            if (progress->progress.filesDone == 1 && !changed) {
                changed = true;
                for (int i = 0; i < fileCount; ++i) {
                    const std::string path = "~/Documents/f" + std::to_string(i) + ".bin";
                    if (!reached.contains(path)) {
                        std::ofstream(home() / ("Documents/f" + std::to_string(i) + ".bin"), std::ios::app)
                            << " and more";
                    }
                }
            }
        },
        CancelSource().get_token());

    EXPECT_EQ(result.record.status, RunStatus::partial);
    EXPECT_EQ(result.record.uploaded, 1);
    EXPECT_EQ(result.record.failed, fileCount - 1);
    EXPECT_EQ(storedFiles().size(), 1u);
    for (const RunFailure& failure : index_->failures(result.record.id)) {
        EXPECT_EQ(failure.reason, "Changed while it was being backed up. It'll be tried again next run.");
    }
}

} // namespace
} // namespace keldra::test
