#include "core/crypto/KeldraCryptoError.h"
#include "core/fs/StoredCopyFault.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/WithRetry.h"
#include "service/api/KeldraAPIError.h"
#include "service/storage/StorageError.h"
#include "tests/support/RecordingSleeper.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace keldra {
namespace {

using test::RecordingSleeper;

// Throws the given errors in turn, then returns the number of calls.
struct ScriptedOperation {
    std::vector<std::function<void()>> failures;
    int calls = 0;
    int operator()() {
        ++calls;
        if (static_cast<std::size_t>(calls) <= failures.size()) {
            failures[static_cast<std::size_t>(calls) - 1]();
        }
        return calls;
    }
};

template <class E> std::function<void()> fails(E error) {
    return [error] {
        throw error;
    };
}

TEST(WithRetry, RetriesOnlyTransientFailures) {
    struct Case {
        std::string label;
        std::function<void()> fail;
        bool retried;
    };
    const std::vector<Case> cases = {
        {"portal rate limit", fails(KeldraAPIError::rateLimited(300)), true},
        {"portal transport", fails(KeldraAPIError::transport("offline")), true},
        {"portal 500", fails(KeldraAPIError::server(500, "")), true},
        {"portal 503", fails(KeldraAPIError::server(503, "busy")), true},
        {"portal 403 as server", fails(KeldraAPIError::server(403, "")), false},
        {"portal not found", fails(KeldraAPIError::notFound()), false},
        {"portal signed out", fails(KeldraAPIError::tokenExpired()), false},
        {"storage 408", fails(StorageError::http(408)), true},
        {"storage 500", fails(StorageError::http(500)), true},
        {"storage 502", fails(StorageError::http(502)), true},
        {"storage 499", fails(StorageError::http(499)), false},
        {"storage 404", fails(StorageError::http(404)), false},
        {"storage link expired", fails(StorageError::urlExpiredOrForbidden()), false},
        {"storage transport", fails(StorageError::transport("reset")), true},
        {"cancelled", fails(CancelledError{}), false},
        {"decryption", fails(KeldraCryptoError(KeldraCryptoError::Kind::decryptionFailed)), false},
        {"foreign error", fails(std::runtime_error("boom")), false},
    };
    for (const auto& c : cases) {
        RecordingSleeper sleeper;
        ScriptedOperation operation{{c.fail}};
        if (c.retried) {
            EXPECT_EQ(withRetry(4, "Op", {}, sleeper, {}, std::ref(operation)), 2) << c.label;
            EXPECT_EQ(sleeper.waitSeconds(), std::vector<double>{2.0}) << c.label;
        } else {
            EXPECT_ANY_THROW(withRetry(4, "Op", {}, sleeper, {}, std::ref(operation))) << c.label;
            EXPECT_EQ(operation.calls, 1) << c.label;
            EXPECT_TRUE(sleeper.waits().empty()) << c.label;
        }
    }
}

TEST(WithRetry, WaitsDoubleUpToAMinuteAndTheLastErrorIsThrownUnchanged) {
    RecordingSleeper sleeper;
    ScriptedOperation operation{
        std::vector<std::function<void()>>(8, fails(KeldraAPIError::server(503, "busy")))};
    try {
        withRetry(8, "Op", {}, sleeper, {}, std::ref(operation));
        FAIL() << "expected the last error";
    } catch (const KeldraAPIError& error) {
        EXPECT_EQ(error, KeldraAPIError::server(503, "busy"));
    }
    EXPECT_EQ(operation.calls, 8);
    EXPECT_EQ(sleeper.waitSeconds(), (std::vector<double>{2, 4, 8, 16, 32, 60, 60}));
}

TEST(WithRetry, LogsOneLineBeforeEachWait) {
    RecordingSleeper sleeper;
    std::vector<std::string> lines;
    ScriptedOperation operation{
        {fails(StorageError::transport("connection reset")), fails(StorageError::http(502))}};
    EXPECT_EQ(withRetry(
                  5, "Upload", [&](const std::string& line) { lines.push_back(line); }, sleeper, {},
                  std::ref(operation)),
              3);
    EXPECT_EQ(lines, (std::vector<std::string>{"Upload: retrying in 2s (connection reset)",
                                               "Upload: retrying in 4s (Storage returned an error (502).)"}));

    lines.clear();
    ScriptedOperation once{{fails(StorageError::transport("connection reset"))}};
    EXPECT_THROW(withRetry(
                     1, "Upload", [&](const std::string& line) { lines.push_back(line); }, sleeper, {},
                     std::ref(once)),
                 StorageError);
    EXPECT_EQ(once.calls, 1);
    EXPECT_TRUE(lines.empty());
}

TEST(WithRetry, ACancelledWaitEndsWithCancellation) {
    RecordingSleeper sleeper;
    CancelSource source;
    int calls = 0;
    auto operation = [&]() -> int {
        ++calls;
        source.request_stop(); // the user stops while the first attempt fails
        throw KeldraAPIError::transport("offline");
    };
    EXPECT_THROW(withRetry(4, "Op", {}, sleeper, source.get_token(), operation), CancelledError);
    EXPECT_EQ(calls, 1);
}

struct DriveCopyError : Error, StoredCopyFaultSource {
    explicit DriveCopyError(StoredCopyFault fault) : fault_(fault) {}
    std::string message() const override {
        return "The backup file is damaged or was made with a different key.";
    }
    StoredCopyFault storedCopyFault() const override { return fault_; }
    StoredCopyFault fault_;
};

TEST(FailureReason, WordsEachFailureForTheSummary) {
    const std::string damaged = "Couldn't decrypt: the file is damaged or was encrypted with a different "
                                "key. Nothing was written.";
    struct Case {
        std::exception_ptr error;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {std::make_exception_ptr(KeldraCryptoError(KeldraCryptoError::Kind::decryptionFailed)), damaged},
        {std::make_exception_ptr(KeldraCryptoError(KeldraCryptoError::Kind::invalidIV)),
         KeldraCryptoError(KeldraCryptoError::Kind::invalidIV).message()},
        {std::make_exception_ptr(DriveCopyError(StoredCopyFault::damaged)), damaged},
        {std::make_exception_ptr(DriveCopyError(StoredCopyFault::incomplete)),
         "The copy on the drive is incomplete. Nothing was written."},
        {std::make_exception_ptr(DriveCopyError(StoredCopyFault::none)),
         "The backup file is damaged or was made with a different key."},
        {std::make_exception_ptr(KeldraAPIError::notFound()), "No longer in your Keldra."},
        {std::make_exception_ptr(KeldraAPIError::server(503, "")), "The portal returned an error (503)."},
        {std::make_exception_ptr(StorageError::urlExpiredOrForbidden()), "The upload link expired."},
        {std::make_exception_ptr(RestoreError(RestoreError::Kind::memory)),
         "Not enough free memory to decrypt this file right now."},
        {std::make_exception_ptr(RestoreError(RestoreError::Kind::badLink)),
         "The portal returned an invalid download link."},
        {std::make_exception_ptr(RestoreError(RestoreError::Kind::noIV)),
         "This file has no encryption IV, so it can't be decrypted."},
        {std::make_exception_ptr(RestoreError(RestoreError::Kind::unsafePath)),
         "This item's path isn't safe to restore to, so it was skipped."},
        {std::make_exception_ptr(std::filesystem::filesystem_error(
             "write", "/x", std::error_code(ENOSPC, std::generic_category()))),
         "No space left on device."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RestoreEngine::failureReason(c.error), c.reason);
    }
}

} // namespace
} // namespace keldra
