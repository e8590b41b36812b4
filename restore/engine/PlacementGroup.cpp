#include "restore/engine/PlacementGroup.h"

#include "core/SaturatingMath.h"
#include "core/fs/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <utility>

namespace keldra {

namespace fs = std::filesystem;

namespace {

// Files a group flushes at once.
constexpr std::size_t flushThreads = 8;

} // namespace

void PlacementGroup::add(std::size_t key, StagedFile file, std::int64_t bytes) {
    if (entries_.empty()) {
        started_ = std::chrono::steady_clock::now();
        bytes_ = 0;
    }
    entries_.push_back(Entry{key, std::move(file)});
    bytes_ = saturatingAdd(bytes_, std::max<std::int64_t>(bytes, 0));
}

bool PlacementGroup::due() const {
    return !entries_.empty() && (entries_.size() >= maxFiles || bytes_ >= maxBytes ||
                                 std::chrono::steady_clock::now() - started_ >= maxAge);
}

std::vector<PlacementGroup::Outcome> PlacementGroup::flush(FlushTimes* times) {
    auto stepStart = std::chrono::steady_clock::now();
    const auto endStep = [&](std::chrono::nanoseconds FlushTimes::*step) {
        const auto now = std::chrono::steady_clock::now();
        if (times != nullptr) {
            times->*step += now - stepStart;
        }
        stepStart = now;
    };
    // The files are flushed side by side: the file system then joins their waits into a few journal commits
    // and disk cache flushes, where one file after another would pay a cache flush each.
    std::vector<Outcome> outcomes;
    outcomes.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        outcomes.push_back(Outcome{entry.key, std::nullopt, nullptr});
    }
    std::atomic<std::size_t> next{0};
    const auto flushFiles = [&]() noexcept {
        for (std::size_t i = next++; i < entries_.size(); i = next++) {
            try {
                entries_[i].file.flush();
            } catch (...) {
                outcomes[i].error = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < std::min(entries_.size(), flushThreads); ++i) {
        try {
            helpers.emplace_back(flushFiles);
        } catch (const std::system_error&) {
            break; // fewer helpers, the same work
        }
    }
    flushFiles();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    endStep(&FlushTimes::files);
    std::vector<fs::path> folders;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (outcomes[i].error) {
            continue;
        }
        try {
            fs::path placed = entries_[i].file.place(policy_);
            fs::path folder = placed.parent_path();
            if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
                folders.push_back(std::move(folder));
            }
            outcomes[i].placed = std::move(placed);
        } catch (...) {
            outcomes[i].error = std::current_exception();
        }
    }
    endStep(&FlushTimes::moves);
    // Only now are the moves on disk, and only now may the files count as restored.
    for (const fs::path& folder : folders) {
        syncDirectory(folder);
    }
    endStep(&FlushTimes::folders);
    entries_.clear();
    return outcomes;
}

} // namespace keldra
