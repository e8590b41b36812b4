#include "localportal/PortalStore.h"

#include "core/codec/Hex.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace keldra::localportal {

namespace {

constexpr const char* schema = R"sql(
CREATE TABLE IF NOT EXISTS meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS accounts (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    email TEXT NOT NULL UNIQUE COLLATE NOCASE,
    password_salt TEXT NOT NULL,
    password_hash TEXT NOT NULL,
    name TEXT NOT NULL,
    two_factor_code TEXT,
    disabled INTEGER NOT NULL,
    suspended INTEGER NOT NULL,
    has_plan INTEGER NOT NULL,
    plan_name TEXT NOT NULL,
    quota_bytes INTEGER NOT NULL,
    max_file_size_mb INTEGER,
    geo_rule_reported INTEGER NOT NULL,
    geo_rule TEXT,
    dead_man_switch TEXT);
CREATE TABLE IF NOT EXISTS tokens (
    token TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL,
    expires_at INTEGER NOT NULL,
    revoked INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS folders (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL,
    name TEXT NOT NULL,
    parent_id INTEGER,
    color TEXT);
CREATE TABLE IF NOT EXISTS tickets (
    s3_key TEXT PRIMARY KEY,
    account_id INTEGER NOT NULL,
    mime_type TEXT NOT NULL,
    size_bytes INTEGER NOT NULL,
    file_id INTEGER);
CREATE TABLE IF NOT EXISTS files (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    account_id INTEGER NOT NULL,
    folder_id INTEGER,
    original_name TEXT NOT NULL,
    encrypted_name TEXT NOT NULL,
    mime_type TEXT NOT NULL,
    size_bytes INTEGER NOT NULL,
    encrypted_size_bytes INTEGER NOT NULL,
    encryption_iv TEXT NOT NULL,
    checksum_sha256 TEXT NOT NULL,
    s3_key TEXT NOT NULL,
    created_at INTEGER NOT NULL,
    updated_at INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS files_by_account ON files (account_id, id);
CREATE INDEX IF NOT EXISTS files_by_folder ON files (account_id, folder_id, id);
CREATE INDEX IF NOT EXISTS folders_by_parent ON folders (account_id, parent_id, id);
CREATE TABLE IF NOT EXISTS usage (
    account_id INTEGER PRIMARY KEY,
    used_bytes INTEGER NOT NULL,
    file_count INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS verifiers (
    account_id INTEGER PRIMARY KEY,
    verifier TEXT NOT NULL,
    verifier_iv TEXT NOT NULL);
)sql";

constexpr const char* accountColumns =
    "id, email, name, two_factor_code, disabled, suspended, has_plan, plan_name, quota_bytes, "
    "max_file_size_mb, geo_rule_reported, geo_rule, dead_man_switch";

constexpr const char* fileColumns =
    "id, account_id, folder_id, original_name, encrypted_name, mime_type, size_bytes, encrypted_size_bytes, "
    "encryption_iv, checksum_sha256, s3_key, created_at, updated_at";

Account accountFrom(const SqlRow& row) {
    Account a;
    a.id = row.integer(0);
    a.email = row.text(1);
    a.name = row.text(2);
    a.twoFactorCode = row.optionalText(3);
    a.disabled = row.integer(4) != 0;
    a.suspended = row.integer(5) != 0;
    a.hasPlan = row.integer(6) != 0;
    a.planName = row.text(7);
    a.quotaBytes = row.integer(8);
    a.maxFileSizeMb = row.optionalInteger(9);
    a.geoRuleReported = row.integer(10) != 0;
    if (auto text = row.optionalText(11)) {
        a.geoRule = nlohmann::json::parse(*text, nullptr, false);
    }
    if (auto text = row.optionalText(12)) {
        a.deadManSwitch = nlohmann::json::parse(*text, nullptr, false);
    }
    return a;
}

std::vector<SqlValue> accountValues(const Account& a) {
    return {a.name,
            sqlOptional(a.twoFactorCode),
            std::int64_t{a.disabled},
            std::int64_t{a.suspended},
            std::int64_t{a.hasPlan},
            a.planName,
            a.quotaBytes,
            sqlOptional(a.maxFileSizeMb),
            std::int64_t{a.geoRuleReported},
            a.geoRule ? SqlValue(a.geoRule->dump()) : SqlValue(nullptr),
            a.deadManSwitch ? SqlValue(a.deadManSwitch->dump()) : SqlValue(nullptr)};
}

Folder folderFrom(const SqlRow& row) {
    return Folder{row.integer(0), row.integer(1), row.text(2), row.optionalInteger(3), row.optionalText(4)};
}

StoredFile fileFrom(const SqlRow& row) {
    StoredFile f;
    f.id = row.integer(0);
    f.accountId = row.integer(1);
    f.folderId = row.optionalInteger(2);
    f.originalName = row.text(3);
    f.encryptedName = row.text(4);
    f.mimeType = row.text(5);
    f.sizeBytes = row.integer(6);
    f.encryptedSizeBytes = row.integer(7);
    f.encryptionIv = row.text(8);
    f.checksumSha256 = row.text(9);
    f.s3Key = row.text(10);
    f.createdAtMicros = row.integer(11);
    f.updatedAtMicros = row.integer(12);
    return f;
}

Bytes randomBytes(std::size_t count) {
    Bytes bytes(count);
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) {
        throw DatabaseError("no random bytes");
    }
    return bytes;
}

std::string passwordHash(const std::string& password, const Bytes& salt) {
    Bytes out(32);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), 10000, EVP_sha256(), static_cast<int>(out.size()),
                          out.data()) != 1) {
        throw DatabaseError("password hashing failed");
    }
    return hexEncode(out);
}

} // namespace

PortalStore::PortalStore(const std::filesystem::path& databaseFile) : db_(databaseFile) {
    db_.executeScript(schema);
    // Usage is kept up to date with every change; recounted once here so it always starts out right.
    db_.executeScript(
        "DELETE FROM usage; INSERT INTO usage (account_id, used_bytes, file_count) SELECT account_id, "
        "SUM(encrypted_size_bytes), COUNT(*) FROM files GROUP BY account_id;");
}

void PortalStore::recountUsage(std::int64_t accountId) {
    db_.execute("INSERT OR REPLACE INTO usage (account_id, used_bytes, file_count) SELECT ?, "
                "COALESCE(SUM(encrypted_size_bytes), 0), COUNT(*) FROM files WHERE account_id = ?",
                {accountId, accountId});
}

Bytes PortalStore::signingKey() {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT value FROM meta WHERE key = 'signing_key'");
    if (!rows.empty()) {
        if (auto key = hexDecode(rows.front().text(0)); key && key->size() == 32) {
            return *key;
        }
    }
    Bytes key = randomBytes(32);
    db_.execute("INSERT OR REPLACE INTO meta (key, value) VALUES ('signing_key', ?)", {hexEncode(key)});
    return key;
}

std::optional<std::string> PortalStore::metaValue(const std::string& key) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT value FROM meta WHERE key = ?", {key});
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front().text(0);
}

void PortalStore::setMetaValue(const std::string& key, const std::string& value) {
    std::lock_guard lock(mutex_);
    db_.execute("INSERT OR REPLACE INTO meta (key, value) VALUES (?, ?)", {key, value});
}

Account PortalStore::createAccount(const Account& account, const std::string& password) {
    std::lock_guard lock(mutex_);
    const Bytes salt = randomBytes(16);
    auto values = accountValues(account);
    values.insert(values.begin(), {account.email, hexEncode(salt), passwordHash(password, salt)});
    db_.execute("INSERT INTO accounts (email, password_salt, password_hash, name, two_factor_code, disabled, "
                "suspended, has_plan, plan_name, quota_bytes, max_file_size_mb, geo_rule_reported, geo_rule, "
                "dead_man_switch) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                values);
    Account created = account;
    created.id = db_.lastInsertId();
    return created;
}

void PortalStore::updateAccount(const Account& account) {
    std::lock_guard lock(mutex_);
    auto values = accountValues(account);
    values.push_back(account.id);
    db_.execute(
        "UPDATE accounts SET name = ?, two_factor_code = ?, disabled = ?, suspended = ?, has_plan = ?, "
        "plan_name = ?, quota_bytes = ?, max_file_size_mb = ?, geo_rule_reported = ?, geo_rule = ?, "
        "dead_man_switch = ? WHERE id = ?",
        values);
}

void PortalStore::setPassword(std::int64_t accountId, const std::string& password) {
    std::lock_guard lock(mutex_);
    const Bytes salt = randomBytes(16);
    db_.execute("UPDATE accounts SET password_salt = ?, password_hash = ? WHERE id = ?",
                {hexEncode(salt), passwordHash(password, salt), accountId});
}

std::optional<Account> PortalStore::accountByEmail(const std::string& email) {
    std::lock_guard lock(mutex_);
    auto rows =
        db_.query(std::string("SELECT ") + accountColumns + " FROM accounts WHERE email = ?", {email});
    if (rows.empty()) {
        return std::nullopt;
    }
    return accountFrom(rows.front());
}

std::optional<Account> PortalStore::accountById(std::int64_t id) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query(std::string("SELECT ") + accountColumns + " FROM accounts WHERE id = ?", {id});
    if (rows.empty()) {
        return std::nullopt;
    }
    return accountFrom(rows.front());
}

bool PortalStore::checkPassword(std::int64_t accountId, const std::string& password) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT password_salt, password_hash FROM accounts WHERE id = ?", {accountId});
    if (rows.empty()) {
        return false;
    }
    const auto salt = hexDecode(rows.front().text(0));
    if (!salt) {
        return false;
    }
    const std::string expected = rows.front().text(1);
    const std::string actual = passwordHash(password, *salt);
    return expected.size() == actual.size() &&
           CRYPTO_memcmp(expected.data(), actual.data(), actual.size()) == 0;
}

void PortalStore::saveToken(const std::string& token, std::int64_t accountId, std::int64_t expiresAt) {
    std::lock_guard lock(mutex_);
    db_.execute("INSERT INTO tokens (token, account_id, expires_at) VALUES (?, ?, ?)",
                {token, accountId, expiresAt});
}

std::optional<TokenRecord> PortalStore::token(const std::string& token) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT account_id, expires_at, revoked FROM tokens WHERE token = ?", {token});
    if (rows.empty()) {
        return std::nullopt;
    }
    return TokenRecord{rows.front().integer(0), rows.front().integer(1), rows.front().integer(2) != 0};
}

void PortalStore::revokeToken(const std::string& token) {
    std::lock_guard lock(mutex_);
    db_.execute("UPDATE tokens SET revoked = 1 WHERE token = ?", {token});
}

void PortalStore::expireTokens(std::int64_t accountId, std::int64_t now) {
    std::lock_guard lock(mutex_);
    db_.execute("UPDATE tokens SET expires_at = MIN(expires_at, ?) WHERE account_id = ?",
                {now - 1, accountId});
}

Folder PortalStore::createFolder(const Folder& folder) {
    std::lock_guard lock(mutex_);
    db_.execute("INSERT INTO folders (account_id, name, parent_id, color) VALUES (?, ?, ?, ?)",
                {folder.accountId, folder.name, sqlOptional(folder.parentId), sqlOptional(folder.color)});
    Folder created = folder;
    created.id = db_.lastInsertId();
    return created;
}

std::optional<Folder> PortalStore::folder(std::int64_t accountId, std::int64_t id) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT id, account_id, name, parent_id, color FROM folders WHERE id = ? AND "
                          "account_id = ?",
                          {id, accountId});
    if (rows.empty()) {
        return std::nullopt;
    }
    return folderFrom(rows.front());
}

std::vector<Folder> PortalStore::folders(std::int64_t accountId, std::optional<std::int64_t> parent) {
    std::lock_guard lock(mutex_);
    auto rows = parent ? db_.query("SELECT id, account_id, name, parent_id, color FROM folders WHERE "
                                   "account_id = ? AND parent_id = ? ORDER BY id",
                                   {accountId, *parent})
                       : db_.query("SELECT id, account_id, name, parent_id, color FROM folders WHERE "
                                   "account_id = ? AND parent_id IS NULL ORDER BY id",
                                   {accountId});
    std::vector<Folder> result;
    for (const auto& row : rows) {
        result.push_back(folderFrom(row));
    }
    return result;
}

std::vector<std::string> PortalStore::deleteFolder(std::int64_t accountId, std::int64_t id) {
    std::lock_guard lock(mutex_);
    SqlTransaction transaction(db_);
    std::vector<std::int64_t> pending{id};
    std::vector<std::string> keys;
    while (!pending.empty()) {
        const std::int64_t current = pending.back();
        pending.pop_back();
        for (const auto& row : db_.query("SELECT id FROM folders WHERE account_id = ? AND parent_id = ?",
                                         {accountId, current})) {
            pending.push_back(row.integer(0));
        }
        for (const auto& row : db_.query("SELECT s3_key FROM files WHERE account_id = ? AND folder_id = ?",
                                         {accountId, current})) {
            keys.push_back(row.text(0));
        }
        db_.execute("DELETE FROM files WHERE account_id = ? AND folder_id = ?", {accountId, current});
        db_.execute("DELETE FROM folders WHERE account_id = ? AND id = ?", {accountId, current});
    }
    recountUsage(accountId);
    transaction.commit();
    return keys;
}

void PortalStore::saveTicket(const UploadTicket& ticket) {
    std::lock_guard lock(mutex_);
    db_.execute("INSERT INTO tickets (s3_key, account_id, mime_type, size_bytes) VALUES (?, ?, ?, ?)",
                {ticket.s3Key, ticket.accountId, ticket.mimeType, ticket.sizeBytes});
}

std::optional<UploadTicket> PortalStore::ticket(const std::string& s3Key) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query(
        "SELECT s3_key, account_id, mime_type, size_bytes, file_id FROM tickets WHERE s3_key = ?", {s3Key});
    if (rows.empty()) {
        return std::nullopt;
    }
    const auto& row = rows.front();
    return UploadTicket{row.text(0), row.integer(1), row.text(2), row.integer(3), row.optionalInteger(4)};
}

bool PortalStore::confirm(StoredFile& file) {
    std::lock_guard lock(mutex_);
    SqlTransaction transaction(db_);
    auto rows = db_.query("SELECT file_id FROM tickets WHERE s3_key = ?", {file.s3Key});
    if (rows.empty() || !rows.front().isNull(0)) {
        return false;
    }
    insertFile(file);
    transaction.commit();
    return true;
}

void PortalStore::seed(std::vector<StoredFile>& files) {
    std::lock_guard lock(mutex_);
    SqlTransaction transaction(db_);
    for (auto& file : files) {
        db_.execute("INSERT INTO tickets (s3_key, account_id, mime_type, size_bytes) VALUES (?, ?, ?, ?)",
                    {file.s3Key, file.accountId, file.mimeType, file.sizeBytes});
        insertFile(file);
    }
    transaction.commit();
}

void PortalStore::insertFile(StoredFile& file) {
    db_.execute(
        "INSERT INTO files (account_id, folder_id, original_name, encrypted_name, mime_type, size_bytes, "
        "encrypted_size_bytes, encryption_iv, checksum_sha256, s3_key, created_at, updated_at) VALUES "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {file.accountId, sqlOptional(file.folderId), file.originalName, file.encryptedName, file.mimeType,
         file.sizeBytes, file.encryptedSizeBytes, file.encryptionIv, file.checksumSha256, file.s3Key,
         file.createdAtMicros, file.updatedAtMicros});
    file.id = db_.lastInsertId();
    db_.execute("UPDATE tickets SET file_id = ? WHERE s3_key = ?", {file.id, file.s3Key});
    db_.execute(
        "INSERT INTO usage (account_id, used_bytes, file_count) VALUES (?, ?, 1) ON CONFLICT (account_id) "
        "DO UPDATE SET used_bytes = used_bytes + excluded.used_bytes, file_count = file_count + 1",
        {file.accountId, file.encryptedSizeBytes});
}

std::vector<StoredFile> PortalStore::files(std::int64_t accountId, std::optional<std::int64_t> folder) {
    std::lock_guard lock(mutex_);
    const std::string base = std::string("SELECT ") + fileColumns + " FROM files WHERE account_id = ? AND ";
    auto rows = folder ? db_.query(base + "folder_id = ? ORDER BY id", {accountId, *folder})
                       : db_.query(base + "folder_id IS NULL ORDER BY id", {accountId});
    std::vector<StoredFile> result;
    for (const auto& row : rows) {
        result.push_back(fileFrom(row));
    }
    return result;
}

std::vector<StoredFile> PortalStore::filePage(std::int64_t accountId, std::optional<std::int64_t> folder,
                                              std::optional<std::int64_t> updatedSinceMicros,
                                              std::int64_t offset, std::int64_t limit, std::int64_t& total) {
    std::lock_guard lock(mutex_);
    std::string where = " FROM files WHERE account_id = ?";
    std::vector<SqlValue> parameters{accountId};
    if (folder) {
        where += " AND folder_id = ?";
        parameters.emplace_back(*folder);
    }
    if (updatedSinceMicros) {
        where += " AND updated_at >= ?";
        parameters.emplace_back(*updatedSinceMicros);
    }
    total = db_.query("SELECT COUNT(*)" + where, parameters).front().integer(0);
    parameters.emplace_back(limit);
    parameters.emplace_back(offset);
    std::vector<StoredFile> result;
    for (const auto& row : db_.query(
             std::string("SELECT ") + fileColumns + where + " ORDER BY id LIMIT ? OFFSET ?", parameters)) {
        result.push_back(fileFrom(row));
    }
    return result;
}

std::vector<StoredFile> PortalStore::allFiles(std::optional<std::int64_t> accountId) {
    std::lock_guard lock(mutex_);
    const std::string base = std::string("SELECT ") + fileColumns + " FROM files";
    auto rows = accountId ? db_.query(base + " WHERE account_id = ? ORDER BY id", {*accountId})
                          : db_.query(base + " ORDER BY id");
    std::vector<StoredFile> result;
    for (const auto& row : rows) {
        result.push_back(fileFrom(row));
    }
    return result;
}

std::optional<StoredFile> PortalStore::file(std::int64_t accountId, std::int64_t id) {
    std::lock_guard lock(mutex_);
    auto rows =
        db_.query(std::string("SELECT ") + fileColumns + " FROM files WHERE account_id = ? AND id = ?",
                  {accountId, id});
    if (rows.empty()) {
        return std::nullopt;
    }
    return fileFrom(rows.front());
}

bool PortalStore::deleteFile(std::int64_t accountId, std::int64_t id) {
    std::lock_guard lock(mutex_);
    SqlTransaction transaction(db_);
    auto rows =
        db_.query("SELECT encrypted_size_bytes FROM files WHERE account_id = ? AND id = ?", {accountId, id});
    if (rows.empty()) {
        return false;
    }
    db_.execute("DELETE FROM files WHERE account_id = ? AND id = ?", {accountId, id});
    db_.execute(
        "UPDATE usage SET used_bytes = used_bytes - ?, file_count = file_count - 1 WHERE account_id = ?",
        {rows.front().integer(0), accountId});
    transaction.commit();
    return true;
}

std::vector<std::string> PortalStore::deleteAllFiles(std::int64_t accountId) {
    std::lock_guard lock(mutex_);
    SqlTransaction transaction(db_);
    std::vector<std::string> keys;
    for (const auto& row : db_.query("SELECT s3_key FROM files WHERE account_id = ?", {accountId})) {
        keys.push_back(row.text(0));
    }
    db_.execute("DELETE FROM files WHERE account_id = ?", {accountId});
    recountUsage(accountId);
    transaction.commit();
    return keys;
}

Usage PortalStore::usage(std::int64_t accountId) {
    std::lock_guard lock(mutex_);
    Usage usage;
    auto files = db_.query("SELECT used_bytes, file_count FROM usage WHERE account_id = ?", {accountId});
    if (!files.empty()) {
        usage.usedBytes = files.front().integer(0);
        usage.fileCount = files.front().integer(1);
    }
    usage.folderCount =
        db_.query("SELECT COUNT(*) FROM folders WHERE account_id = ?", {accountId}).front().integer(0);
    return usage;
}

std::optional<std::pair<std::string, std::string>> PortalStore::verifier(std::int64_t accountId) {
    std::lock_guard lock(mutex_);
    auto rows = db_.query("SELECT verifier, verifier_iv FROM verifiers WHERE account_id = ?", {accountId});
    if (rows.empty()) {
        return std::nullopt;
    }
    return std::make_pair(rows.front().text(0), rows.front().text(1));
}

void PortalStore::setVerifier(std::int64_t accountId, const std::string& verifier, const std::string& iv) {
    std::lock_guard lock(mutex_);
    db_.execute("INSERT OR REPLACE INTO verifiers (account_id, verifier, verifier_iv) VALUES (?, ?, ?)",
                {accountId, verifier, iv});
}

void PortalStore::reset() {
    std::lock_guard lock(mutex_);
    db_.executeScript("DELETE FROM accounts; DELETE FROM tokens; DELETE FROM folders; DELETE FROM tickets; "
                      "DELETE FROM files; DELETE FROM usage; DELETE FROM verifiers; DELETE FROM meta WHERE "
                      "key <> 'signing_key';");
}

} // namespace keldra::localportal
