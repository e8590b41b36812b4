#include "core/seams/KeyValueStore.h"

#include "core/fs/AtomicFile.h"
#include "core/seams/XdgPaths.h"

#include <chrono>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include <system_error>

namespace keldra {

FileKeyValueStore::FileKeyValueStore(std::filesystem::path file, Logger& logger)
    : file_(std::move(file)), logger_(logger) {
    load();
}

std::filesystem::path FileKeyValueStore::defaultLocation() {
    return appConfigDirectory() / "defaults.json";
}

void FileKeyValueStore::load() {
    std::ifstream in(file_, std::ios::binary);
    if (!in) {
        return;
    }
    std::stringstream text;
    text << in.rdbuf();
    auto parsed = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_object()) {
        values_ = std::move(parsed);
        return;
    }
    // Keep the damaged file for inspection; the next save must not destroy it.
    const auto stamp = std::chrono::system_clock::now().time_since_epoch() / std::chrono::seconds(1);
    auto aside = file_;
    aside += fmt::format(".damaged-{}", stamp);
    std::error_code error;
    std::filesystem::rename(file_, aside, error);
    logger_.log(fmt::format("defaults file {} is damaged; moved aside to {}{}", file_.string(),
                            aside.string(), error ? " (failed: " + error.message() + ")" : ""));
}

bool FileKeyValueStore::save() {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (!error) {
        std::string text;
        try {
            text = values_.dump(2) + "\n";
        } catch (const nlohmann::json::exception&) {
            error = std::make_error_code(std::errc::illegal_byte_sequence);
        }
        if (!error) {
            error = writeFileAtomically(file_, text, 0600);
        }
    }
    if (error) {
        logger_.log(fmt::format("could not save defaults to {}: {}", file_.string(), error.message()));
        return false;
    }
    return true;
}

std::optional<nlohmann::json> FileKeyValueStore::value(const std::string& key) const {
    std::lock_guard lock(mutex_);
    if (auto it = values_.find(key); it != values_.end()) {
        return *it;
    }
    return std::nullopt;
}

bool FileKeyValueStore::setValue(const std::string& key, const nlohmann::json& value) {
    // A text that is not UTF-8 (a folder path, a device name) cannot be written as JSON. Kept in memory it
    // would make every later save of every key fail, so it is refused here and the rest keeps saving.
    try {
        (void)nlohmann::json::object({{key, value}}).dump();
    } catch (const nlohmann::json::exception& error) {
        logger_.log(
            fmt::format("could not save the default {}: {}",
                        nlohmann::json(key).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                        error.what()));
        return false;
    }
    std::lock_guard lock(mutex_);
    values_[key] = value;
    return save();
}

bool FileKeyValueStore::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) == 0) {
        return true;
    }
    return save();
}

} // namespace keldra
