#pragma once

#include "core/Bytes.h"
#include "localportal/PortalRecords.h"
#include "localportal/SqliteDatabase.h"

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace keldra::localportal {

// Accounts, tokens, folders, files, tickets and verifiers in the portal's SQLite file. Thread-safe.
class PortalStore {
public:
    explicit PortalStore(const std::filesystem::path& databaseFile);

    // The key that signs storage links; made once per data folder so links survive a restart.
    Bytes signingKey();
    std::optional<std::string> metaValue(const std::string& key);
    void setMetaValue(const std::string& key, const std::string& value);

    Account createAccount(const Account& account, const std::string& password);
    void updateAccount(const Account& account);
    void setPassword(std::int64_t accountId, const std::string& password);
    std::optional<Account> accountByEmail(const std::string& email);
    std::optional<Account> accountById(std::int64_t id);
    bool checkPassword(std::int64_t accountId, const std::string& password);

    void saveToken(const std::string& token, std::int64_t accountId, std::int64_t expiresAt);
    std::optional<TokenRecord> token(const std::string& token);
    void revokeToken(const std::string& token);
    void expireTokens(std::int64_t accountId, std::int64_t now);

    Folder createFolder(const Folder& folder);
    std::optional<Folder> folder(std::int64_t accountId, std::int64_t id);
    // Folders directly inside parent (nullopt: the top level).
    std::vector<Folder> folders(std::int64_t accountId, std::optional<std::int64_t> parent);
    // Removes the folder, its sub-folders and their files; answers the object keys to remove.
    std::vector<std::string> deleteFolder(std::int64_t accountId, std::int64_t id);

    void saveTicket(const UploadTicket& ticket);
    std::optional<UploadTicket> ticket(const std::string& s3Key);
    // Creates the file and marks the ticket confirmed in one step; false when it already was.
    bool confirm(StoredFile& file);
    // Files (with their tickets) made in one step, as finished uploads; fills in their ids.
    void seed(std::vector<StoredFile>& files);

    std::vector<StoredFile> files(std::int64_t accountId, std::optional<std::int64_t> folder);
    // One page in creation order; folder and updatedSince filter when given.
    std::vector<StoredFile> filePage(std::int64_t accountId, std::optional<std::int64_t> folder,
                                     std::optional<std::int64_t> updatedSinceMicros, std::int64_t offset,
                                     std::int64_t limit, std::int64_t& total);
    std::vector<StoredFile> allFiles(std::optional<std::int64_t> accountId);
    std::optional<StoredFile> file(std::int64_t accountId, std::int64_t id);
    bool deleteFile(std::int64_t accountId, std::int64_t id);
    // Removes every file of the account; answers their object keys.
    std::vector<std::string> deleteAllFiles(std::int64_t accountId);
    Usage usage(std::int64_t accountId);

    std::optional<std::pair<std::string, std::string>> verifier(std::int64_t accountId);
    void setVerifier(std::int64_t accountId, const std::string& verifier, const std::string& iv);

    // Forgets everything except the signing key.
    void reset();

private:
    void recountUsage(std::int64_t accountId);
    void insertFile(StoredFile& file);

    std::mutex mutex_;
    SqliteDatabase db_;
};

} // namespace keldra::localportal
