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
    writer_ = std::thread([this] { writeLoop(); });
}

FileKeyValueStore::~FileKeyValueStore() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    // The loop writes what is pending before it ends: nothing the user set is lost at quit.
    writer_.join();
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

void FileKeyValueStore::writeLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return writtenChanges_ != changes_ || stopping_; });
        if (writtenChanges_ == changes_) {
            return; // stopping, and everything is written
        }
        // Everything changed so far goes in this one write; changes made meanwhile wait for the next.
        const std::uint64_t held = changes_;
        std::string text;
        try {
            text = values_.dump(2) + "\n";
        } catch (const nlohmann::json::exception&) {
            text.clear(); // setValue refuses such values; anything else is not written, and flush says so
        }
        lock.unlock();
        const bool saved = !text.empty() && save(text);
        lock.lock();
        writtenChanges_ = held;
        lastWriteFailed_ = !saved;
        written_.notify_all();
    }
}

bool FileKeyValueStore::save(const std::string& text) {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (!error) {
        error = writeFileAtomically(file_, text, 0600);
    }
    if (error) {
        logger_.log(fmt::format("could not save defaults to {}: {}", file_.string(), error.message()));
        return false;
    }
    return true;
}

void FileKeyValueStore::changedLocked() {
    ++changes_;
    changed_.notify_one();
}

bool FileKeyValueStore::flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t wanted = changes_;
    written_.wait(lock, [&] { return writtenChanges_ >= wanted; });
    return !lastWriteFailed_;
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
    changedLocked();
    return true;
}

bool FileKeyValueStore::remove(const std::string& key) {
    std::lock_guard lock(mutex_);
    if (values_.erase(key) != 0) {
        changedLocked();
    }
    return true;
}

} // namespace keldra
