#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace keldra {

// The places a run's scans could not read completely, as "~"-form path prefixes in the order recorded
// (duplicates kept). Nothing under such a prefix is ever treated as deleted. One per run; safe from any
// thread.
class UncertainPaths {
public:
    // Records the "~" form of an absolute path; always true (the walk goes on).
    bool record(const std::filesystem::path& url);
    // Records a path already in "~" form.
    void recordStoredPath(std::string storedPath);

    // True when the "~"-form path equals a recorded prefix or lies below one ("~/a" covers "~/a/b", not
    // "~/ab").
    bool contains(std::string_view storedPath) const;

    std::vector<std::string> prefixes() const;
    bool empty() const;

private:
    mutable std::mutex lock_;
    std::vector<std::string> prefixes_;
};

} // namespace keldra
