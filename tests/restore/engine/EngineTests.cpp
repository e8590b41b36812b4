#include "core/codec/Base64.h"
#include "core/crypto/KeldraCryptoError.h"
#include "restore/engine/RestoreEngine.h"
#include "service/api/KeldraAPI.h"
#include "service/storage/StorageTransport.h"
#include "tests/support/CancellingSleeper.h"
#include "tests/support/LocalPortalFixture.h"
#include "tests/support/RecordingSleeper.h"
#include "tests/support/TempDir.h"
#include "tests/support/VirtualClock.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace keldra {
namespace {

using test::CancellingSleeper;
using test::RecordingSleeper;

constexpr const char* email = "restore@example.com";

class FixedMemory final : public MemoryInfo {
public:
    explicit FixedMemory(std::uint64_t bytes) : bytes_(bytes) {}
    std::uint64_t availableMemoryBytes() const override { return bytes_; }
    std::uint64_t bytes_;
};

KeldraKey keyFilledWith(std::uint8_t fill) {
    SymmetricKey bytes{};
    bytes.fill(fill);
    return KeldraKey(bytes);
}

class RestoreEngineTest : public test::LocalPortalFixture {
protected:
    void SetUp() override {
        LocalPortalFixture::SetUp();
        const auto account = control().createAccount({{"email", email}});
        api_.setToken(account.at("token").get<std::string>());
    }

    struct Seeded {
        RestoreItem item;
        Bytes plaintext;
    };

    // Stores `plaintext` sealed with the key as a finished upload would; `ivText` overrides the record's IV.
    Seeded seed(const std::string& text, std::optional<std::string> ivText = std::nullopt) {
        const Bytes plaintext = toBytes(text);
        const auto [iv, sealed] = key_.seal(plaintext);
        const std::string listedIV = ivText.value_or(base64Encode(iv));
        const auto file = control().seedFile({{"email", email},
                                              {"encrypted_name", key_.sealName("~/notes.txt")},
                                              {"body_base64", base64Encode(sealed)},
                                              {"encryption_iv", listedIV},
                                              {"size_bytes", plaintext.size()}});
        RestoreItem item{FlexID::fromJson(file.at("id")), "~/notes.txt",
                         static_cast<std::int64_t>(plaintext.size()), "notes.txt", base64Encode(iv)};
        return {item, plaintext};
    }

    RestoreEngine engine(Sleeper& sleeper) { return RestoreEngine(api_, storage_, sleeper, memory_); }

    test::VirtualClock clock_;
    RecordingSleeper apiSleeper_{&clock_};
    KeldraAPI api_{clock_, apiSleeper_, baseUrl()};
    StorageTransport storage_;
    FixedMemory memory_{8ULL << 30};
    KeldraKey key_ = keyFilledWith(7);
};

TEST_F(RestoreEngineTest, FetchesOpensAndPlacesAFile) {
    const auto seeded = seed("the contents of my notes");
    RecordingSleeper sleeper;
    auto restore = engine(sleeper);
    const Bytes plaintext = restore.fetchDecrypted(seeded.item, key_);
    EXPECT_EQ(plaintext, seeded.plaintext);
    EXPECT_TRUE(sleeper.waits().empty());

    test::TempDir dir;
    const auto written = RestoreEngine::writeRestored(seeded.item, RestoreDestination::folder(dir.path()),
                                                      ConflictPolicy::keepBoth, plaintext);
    EXPECT_EQ(test::readFile(written), "the contents of my notes");
}

TEST_F(RestoreEngineTest, LinkRequestsAreRetriedWithGrowingWaits) {
    const auto seeded = seed("retry me");
    control().addFault({{"endpoint", "download-url"}, {"status", 503}, {"count", 3}});
    RecordingSleeper sleeper;
    auto restore = engine(sleeper);
    EXPECT_EQ(restore.fetchDecrypted(seeded.item, key_), seeded.plaintext);
    EXPECT_EQ(sleeper.waitSeconds(), (std::vector<double>{2, 4, 8}));
    EXPECT_EQ(control().requestCount("download-url"), 4);

    control().addFault({{"endpoint", "download-url"}, {"status", 503}, {"count", 4}});
    RecordingSleeper again;
    auto failing = engine(again);
    try {
        failing.fetchDecrypted(seeded.item, key_);
        FAIL() << "expected the fourth failure";
    } catch (const KeldraAPIError& error) {
        EXPECT_EQ(error.kind(), KeldraAPIError::Kind::server);
        EXPECT_EQ(error.status(), 503);
    }
    EXPECT_EQ(again.waitSeconds(), (std::vector<double>{2, 4, 8}));
    EXPECT_EQ(control().requestCount("storage-get"), 1); // only the successful first fetch
}

TEST_F(RestoreEngineTest, AFileGoneFromTheKeldraIsNotRetried) {
    RecordingSleeper sleeper;
    auto restore = engine(sleeper);
    RestoreItem item{FlexID("987654"), "~/gone.txt", 10, "gone.txt", std::nullopt};
    try {
        restore.fetchDecrypted(item, key_);
        FAIL() << "expected notFound";
    } catch (const KeldraAPIError& error) {
        EXPECT_EQ(error.kind(), KeldraAPIError::Kind::notFound);
        EXPECT_EQ(RestoreEngine::failureReason(error), "No longer in your Keldra.");
    }
    EXPECT_TRUE(sleeper.waits().empty());
}

TEST_F(RestoreEngineTest, BodyDownloadsRetryOnlyTransientStorageFailures) {
    struct Case {
        std::string label;
        nlohmann::json fault;
        bool recovers;
        std::vector<double> waits;
    };
    const std::vector<Case> cases = {
        {"502 three times", {{"status", 502}, {"count", 3}}, true, {2, 4, 8}},
        {"408 once", {{"status", 408}}, true, {2}},
        {"dropped connection", {{"drop", true}}, true, {2}},
        {"502 four times", {{"status", 502}, {"count", 4}}, false, {2, 4, 8}},
        {"404", {{"status", 404}}, false, {}},
        {"403 (expired link)", {{"status", 403}}, false, {}},
    };
    const auto seeded = seed("body");
    for (const auto& c : cases) {
        control().clearFaults();
        auto fault = c.fault;
        fault["endpoint"] = "storage-get";
        control().addFault(fault);
        RecordingSleeper sleeper;
        auto restore = engine(sleeper);
        if (c.recovers) {
            EXPECT_EQ(restore.fetchDecrypted(seeded.item, key_), seeded.plaintext) << c.label;
        } else {
            EXPECT_THROW(restore.fetchDecrypted(seeded.item, key_), StorageError) << c.label;
        }
        EXPECT_EQ(sleeper.waitSeconds(), c.waits) << c.label;
    }
}

TEST_F(RestoreEngineTest, LinksAndIVsAreCheckedBeforeUse) {
    const auto seeded = seed("checked");
    // The real link, to build answers that lack the IV.
    const std::string link = api_.requestDownloadURL(seeded.item.fileID).downloadUrl;
    const auto answer = [](nlohmann::json data) {
        return nlohmann::json{{"data", data}}.dump();
    };

    struct Case {
        std::string label;
        std::string body;
        std::optional<std::string> listedIV;
        std::optional<RestoreError::Kind> error; // none: restores
    };
    const std::vector<Case> cases = {
        {"not a URL", answer({{"download_url", "not a url"}, {"encryption_iv", *seeded.item.iv}}),
         seeded.item.iv, RestoreError::Kind::badLink},
        {"local file link",
         answer({{"download_url", "file:///etc/passwd"}, {"encryption_iv", *seeded.item.iv}}), seeded.item.iv,
         RestoreError::Kind::badLink},
        {"link without a host",
         answer({{"download_url", "https://:443/x"}, {"encryption_iv", *seeded.item.iv}}), seeded.item.iv,
         RestoreError::Kind::badLink},
        {"other scheme",
         answer({{"download_url", "ftp://storage.example/x"}, {"encryption_iv", *seeded.item.iv}}),
         seeded.item.iv, RestoreError::Kind::badLink},
        {"bad link wins over missing IV", answer({{"download_url", ""}}), std::nullopt,
         RestoreError::Kind::badLink},
        {"listing IV used", answer({{"download_url", link}}), seeded.item.iv, std::nullopt},
        {"no IV anywhere", answer({{"download_url", link}}), std::nullopt, RestoreError::Kind::noIV},
        {"IV not base64", answer({{"download_url", link}, {"encryption_iv", "no*base64"}}), seeded.item.iv,
         RestoreError::Kind::noIV},
    };
    for (const auto& c : cases) {
        control().clearFaults();
        control().resetStats();
        control().addFault({{"endpoint", "download-url"}, {"status", 200}, {"body", c.body}});
        RecordingSleeper sleeper;
        auto restore = engine(sleeper);
        auto item = seeded.item;
        item.iv = c.listedIV;
        if (!c.error) {
            EXPECT_EQ(restore.fetchDecrypted(item, key_), seeded.plaintext) << c.label;
            continue;
        }
        try {
            restore.fetchDecrypted(item, key_);
            ADD_FAILURE() << c.label << ": expected a refusal";
        } catch (const RestoreError& error) {
            EXPECT_EQ(error.kind(), *c.error) << c.label;
        }
        EXPECT_EQ(control().requestCount("storage-get"), 0) << c.label;
    }
}

TEST_F(RestoreEngineTest, WrongKeyOrWrongIVFailsWithItsOwnReason) {
    const auto seeded = seed("secret");
    RecordingSleeper sleeper;
    auto restore = engine(sleeper);
    try {
        restore.fetchDecrypted(seeded.item, keyFilledWith(8));
        FAIL() << "opened with the wrong key";
    } catch (const KeldraCryptoError& error) {
        EXPECT_EQ(error.kind(), KeldraCryptoError::Kind::decryptionFailed);
        EXPECT_EQ(RestoreEngine::failureReason(error),
                  "Couldn't decrypt: the file is damaged or was encrypted with a different key. Nothing was "
                  "written.");
    }

    const auto shortIV = seed("secret", base64Encode(Bytes(8, 1)));
    try {
        restore.fetchDecrypted(shortIV.item, key_);
        FAIL() << "opened with an 8-byte IV";
    } catch (const KeldraCryptoError& error) {
        EXPECT_EQ(error.kind(), KeldraCryptoError::Kind::invalidIV);
        EXPECT_EQ(RestoreEngine::failureReason(error), error.message());
    }
    EXPECT_TRUE(sleeper.waits().empty());
}

TEST_F(RestoreEngineTest, LargeFilesAreGatedOnFreeMemoryBeforeAnyRequest) {
    const auto seeded = seed("small body, large listed size");
    RecordingSleeper sleeper;
    constexpr std::int64_t mib = 1024 * 1024;
    struct Case {
        std::string label;
        std::int64_t size;
        std::uint64_t available;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"64 MiB with 300 MiB free", 64 * mib, 300ULL * mib, true},
        {"64 MiB with exactly the need free", 64 * mib, 320ULL * mib, true},
        {"64 MiB with one byte more", 64 * mib, 320ULL * mib + 1, false},
        {"one byte under 64 MiB is never gated", 64 * mib - 1, 1, false},
        {"a size whose estimate overflows", std::numeric_limits<std::int64_t>::max(),
         std::numeric_limits<std::uint64_t>::max() - 1, true},
    };
    for (const auto& c : cases) {
        control().resetStats();
        FixedMemory memory(c.available);
        RestoreEngine restore(api_, storage_, sleeper, memory);
        auto item = seeded.item;
        item.size = c.size;
        if (c.refused) {
            try {
                restore.fetchDecrypted(item, key_);
                ADD_FAILURE() << c.label;
            } catch (const RestoreError& error) {
                EXPECT_EQ(error.kind(), RestoreError::Kind::memory) << c.label;
            }
            EXPECT_EQ(control().requestCount("download-url"), 0) << c.label;
        } else {
            EXPECT_EQ(restore.fetchDecrypted(item, key_), seeded.plaintext) << c.label;
        }
    }
}

TEST_F(RestoreEngineTest, CancellationEndsTheFetchAtOnce) {
    const auto seeded = seed("cancel me");
    RecordingSleeper sleeper;
    auto restore = engine(sleeper);
    CancelSource before;
    before.request_stop();
    EXPECT_THROW(restore.fetchDecrypted(seeded.item, key_, before.get_token()), CancelledError);
    EXPECT_EQ(control().requestCount("download-url"), 0);

    // Stopped while waiting to retry the link.
    control().addFault({{"endpoint", "download-url"}, {"status", 503}, {"count", 3}});
    CancelSource during;
    CancellingSleeper cancelling(during);
    auto waiting = engine(cancelling);
    EXPECT_THROW(waiting.fetchDecrypted(seeded.item, key_, during.get_token()), CancelledError);
    EXPECT_EQ(control().requestCount("download-url"), 1);

    // Stopped while waiting to retry the body.
    control().clearFaults();
    control().resetStats();
    control().addFault({{"endpoint", "storage-get"}, {"status", 502}, {"count", 3}});
    CancelSource body;
    CancellingSleeper cancellingBody(body);
    auto waitingBody = engine(cancellingBody);
    EXPECT_THROW(waitingBody.fetchDecrypted(seeded.item, key_, body.get_token()), CancelledError);
    EXPECT_EQ(control().requestCount("storage-get"), 1);
}

} // namespace
} // namespace keldra
