#pragma once

#include "core/fs/UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keldra::localportal {

// Stored bodies, one file per object key below <data>/objects. Keys have one fixed shape
// ("keldra/<account>/<32 hex digits>"), so no key can name a path outside the folder.
class ObjectStore {
public:
    explicit ObjectStore(std::filesystem::path root);

    static bool isValidKey(std::string_view key);
    static std::string makeKey(std::int64_t accountId);

    // A body on its way in: written to a temporary file, made visible only by commit().
    class Incoming {
    public:
        Incoming(const Incoming&) = delete;
        Incoming& operator=(const Incoming&) = delete;
        Incoming(Incoming&&) noexcept;
        ~Incoming();

        bool write(const char* data, std::size_t size);
        std::uint64_t size() const { return size_; }
        // Flushes to disk (unless not durable) and renames over the key's file; false (and nothing stored) on
        // failure.
        bool commit(bool durable = true);

    private:
        friend class ObjectStore;
        Incoming(std::filesystem::path temp, std::filesystem::path target, UniqueFd fd);
        bool flush();
        bool writeAll(const char* data, std::size_t size);

        std::filesystem::path temp_;
        std::filesystem::path target_;
        UniqueFd fd_;
        std::vector<char> buffer_;
        std::uint64_t size_ = 0;
        bool failed_ = false;
        bool committed_ = false;
    };

    std::optional<Incoming> begin(const std::string& key);
    // An open read handle and the body's size, or nothing when there is no such object.
    std::optional<std::pair<UniqueFd, std::uint64_t>> open(const std::string& key) const;
    std::optional<std::uint64_t> size(const std::string& key) const;
    void remove(const std::string& key);
    void clear();

private:
    std::filesystem::path pathOf(const std::string& key) const;

    std::filesystem::path root_;
    std::filesystem::path incoming_;
};

} // namespace keldra::localportal
