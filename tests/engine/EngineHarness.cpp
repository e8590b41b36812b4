#include "EngineHarness.h"

#include "core/codec/Base64.h"

#include <cstdlib>
#include <sys/stat.h>
#include <sys/time.h>

namespace keldra::test {

namespace {

KeldraKey keyFilledWith(std::uint8_t first) {
    SymmetricKey bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i);
    }
    return KeldraKey(bytes);
}

} // namespace

KeldraKey EngineTest::testKey() {
    return keyFilledWith(1);
}
KeldraKey EngineTest::otherKey() {
    return keyFilledWith(101);
}

void EngineTest::SetUp() {
    LocalPortalFixture::SetUp();
    if (const char* existing = std::getenv("HOME")) {
        savedHome_ = existing;
    }
    std::filesystem::create_directories(home() / "Documents");
    setenv("HOME", home().c_str(), 1);

    const nlohmann::json account = control().createAccount({{"email", email_}});
    api_ = std::make_unique<KeldraAPI>(clock_, sleeper_, baseUrl());
    api_->setToken(account.at("token").get<std::string>());
    storage_ = std::make_unique<StorageTransport>();
    index_ = std::make_unique<BackupIndex>(temp_.path() / "state", logger_);

    const auto [iv, sealed] = testKey().seal(toBytes("cairn-ok-v1"));
    api_->storeVerifier(base64Encode(sealed), base64Encode(iv));
    backupsFolder_ = api_->createFolder("Keldra Backups", std::nullopt).id;
    deviceFolder_ = api_->createFolder("Keldra Backup on test", backupsFolder_).id;
    rebuildEngine();
}

void EngineTest::TearDown() {
    if (savedHome_) {
        setenv("HOME", savedHome_->c_str(), 1);
    } else {
        unsetenv("HOME");
    }
}

void EngineTest::rebuildEngine() {
    engine_ =
        std::make_unique<BackupEngine>(EngineServices{*api_, *storage_, *index_, meter_, clock_, sleeper_,
                                                      memory_, mimeTypes_, sourceProbe_, scanFileSystem_});
}

BackupSource EngineTest::folderSource(const std::string& name, const std::string& id) const {
    BackupSource source;
    source.id = id;
    source.path = (home() / name).string();
    source.isFile = false;
    source.addedAt = clock_.now();
    return source;
}

RunRequest EngineTest::request() const {
    RunRequest request{.key = testKey(),
                       .settings = BackupSettings::defaults(),
                       .sources = {folderSource("Documents", "docs")},
                       .deviceFolderID = deviceFolder_,
                       .backupsFolderID = backupsFolder_,
                       .trigger = "Manual",
                       .overrideMassChangeGuard = false,
                       .overrideKeldraMismatch = false,
                       .sealedNamesVerified = false,
                       .skipRoots = {}};
    return request;
}

RunResult EngineTest::run(const RunRequest& request, const CancelToken& cancel) {
    events_.clear();
    return engine_->run(
        request, [this](const EngineEvent& event) { events_.push_back(event); }, cancel);
}

std::filesystem::path EngineTest::writeHomeFile(const std::string& relative, const std::string& contents) {
    const std::filesystem::path path = home() / relative;
    writeFile(path, contents);
    // Each write gets its own whole second, so a rewrite is always seen as a change by size or time.
    static std::int64_t nextSecond = 1'600'000'000;
    nextSecond += 10;
    const timeval times[2] = {{static_cast<time_t>(nextSecond), 0}, {static_cast<time_t>(nextSecond), 0}};
    utimes(path.c_str(), times);
    return path;
}

std::vector<std::string> EngineTest::logTexts() const {
    std::vector<std::string> texts;
    for (const EngineEvent& event : events_) {
        if (const auto* log = event.get<EngineEvent::Log>()) {
            texts.push_back(log->line.text);
        }
    }
    return texts;
}

bool EngineTest::logged(const std::string& text) const {
    for (const std::string& line : logTexts()) {
        if (line == text) {
            return true;
        }
    }
    return false;
}

bool EngineTest::loggedStart(const std::string& prefix) const {
    for (const std::string& line : logTexts()) {
        if (line.rfind(prefix, 0) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<RunProgress> EngineTest::progressEvents() const {
    std::vector<RunProgress> out;
    for (const EngineEvent& event : events_) {
        if (const auto* progress = event.get<EngineEvent::Progress>()) {
            out.push_back(progress->progress);
        }
    }
    return out;
}

int EngineTest::storageFullEvents() const {
    int count = 0;
    for (const EngineEvent& event : events_) {
        if (event.get<EngineEvent::StorageFull>() != nullptr) {
            ++count;
        }
    }
    return count;
}

nlohmann::json EngineTest::storedFiles() const {
    return control().files(email_);
}

std::string EngineTest::openBody(const nlohmann::json& file) const {
    const std::string body = control().object(file.at("s3_key").get<std::string>());
    const auto iv = base64Decode(file.at("encryption_iv").get<std::string>());
    if (!iv) {
        return "<bad iv>";
    }
    return toString(testKey().open(toBytes(body), *iv));
}

std::string EngineTest::openName(const nlohmann::json& file) const {
    const std::string sealed = file.at("encrypted_name").get<std::string>();
    const auto dot = sealed.find('.');
    const auto iv = base64Decode(sealed.substr(0, dot));
    const auto bytes = base64Decode(sealed.substr(dot + 1));
    if (dot == std::string::npos || !iv || !bytes) {
        return "<bad name>";
    }
    return toString(testKey().open(*bytes, *iv));
}

} // namespace keldra::test
