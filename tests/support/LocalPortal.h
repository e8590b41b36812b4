#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace keldra::test {

// Client of the local portal's control API (accounts, rules, faults, counters, stored files).
// Every call throws std::runtime_error when the portal refuses it.
class LocalPortalControl {
public:
    explicit LocalPortalControl(std::string baseUrl) : baseUrl_(std::move(baseUrl)) {}

    // entry: {"email" (required), "password" (default "password"), "name", "two_factor_code", "disabled",
    // "suspended", "has_plan", "plan_name", "quota_bytes", "max_file_size_mb", "geo_rule" (object or null),
    // "geo_rule_reported", "dead_man_switch"}. Answers the account with "id", "password" and a fresh "token".
    nlohmann::json createAccount(const nlohmann::json& entry);
    // The same fields as createAccount, "email" names the account.
    nlohmann::json updateAccount(const nlohmann::json& entry);
    std::string issueToken(const std::string& email);
    void expireTokens(const std::string& email);

    // The trace's "loc=" value; nullopt leaves the line out.
    void setCountry(const std::optional<std::string>& country);
    // {"url_ttl_seconds", "token_ttl_seconds", "latency_ms"}; a negative link lifetime makes expired links.
    nlohmann::json setSettings(const nlohmann::json& settings);

    // {"endpoint", "status", "body", "content_type", "retry_after", "count" (-1: always), "skip",
    // "latency_ms", "drop", "after_handler", "mangle_name" ("alter"|"truncate"|"unsealed"), "route_404"
    // ("html"|"json")}
    void addFault(const nlohmann::json& fault);
    void clearFaults();

    // {"requests": {endpoint: count}, "bytes_in", "bytes_out", "geo_wipes"}
    nlohmann::json stats();
    std::int64_t requestCount(const std::string& endpoint);
    // Logged requests (method, path, query, headers, body, status), oldest first; all when endpoint is empty.
    nlohmann::json requests(const std::string& endpoint = "");
    void resetStats();

    // Stored files with their metadata, "s3_key", "object_size" and (withHash) "object_sha256".
    nlohmann::json files(const std::optional<std::string>& email = std::nullopt, bool withHash = false);
    // The stored body of an object key.
    std::string object(const std::string& s3Key);
    // {"email", "folder_id", "encrypted_name", "body_base64", "encryption_iv", "checksum_sha256",
    // "size_bytes", "mime_type", "created_at"}: a finished upload without the upload.
    nlohmann::json seedFile(const nlohmann::json& entry);
    // Many files of one account in one request (entries as for seedFile, without "email"); answers them in
    // order.
    nlohmann::json seedFiles(const std::string& email, const nlohmann::json& entries);
    nlohmann::json createFolder(const std::string& email, const std::string& name,
                                std::optional<std::int64_t> parentId = std::nullopt);
    void deleteFolder(const std::string& email, std::int64_t folderId);

    // Forgets accounts, files, faults, counters and settings.
    void reset();

    nlohmann::json get(const std::string& path);
    nlohmann::json post(const std::string& path, const nlohmann::json& body);

private:
    std::string baseUrl_;
};

// A keldra-localportal child process on 127.0.0.1 with its own data folder; stopped at destruction.
class LocalPortal {
public:
    struct Options {
        int latencyMs = 0;
        std::filesystem::path dataDir; // empty: a fresh temporary folder, removed at the end
        std::vector<std::string> extraArguments;
    };

    LocalPortal();
    explicit LocalPortal(Options options);
    ~LocalPortal();
    LocalPortal(const LocalPortal&) = delete;
    LocalPortal& operator=(const LocalPortal&) = delete;

    // "http://127.0.0.1:PORT", without a trailing slash.
    const std::string& baseUrl() const { return baseUrl_; }
    LocalPortalControl& control() { return *control_; }
    const std::filesystem::path& dataDir() const { return dataDir_; }

    // Stops the process and starts it again on the same data folder and port.
    void restart();
    void stop();

    static std::filesystem::path programPath();

private:
    void start(int port);

    Options options_;
    std::filesystem::path dataDir_;
    bool ownsDataDir_ = false;
    pid_t pid_ = -1;
    int port_ = 0;
    std::string baseUrl_;
    std::unique_ptr<LocalPortalControl> control_;
};

} // namespace keldra::test
