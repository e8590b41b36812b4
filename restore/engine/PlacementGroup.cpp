#include "restore/engine/PlacementGroup.h"

#include "core/SaturatingMath.h"
#include "core/fs/AtomicFile.h"

#include <algorithm>
#include <utility>

namespace keldra {

namespace fs = std::filesystem;

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
    // Every file first, so the disk writes them all before the first wait ends.
    std::vector<Outcome> outcomes;
    outcomes.reserve(entries_.size());
    for (Entry& entry : entries_) {
        Outcome outcome{entry.key, std::nullopt, nullptr};
        try {
            entry.file.flush();
        } catch (...) {
            outcome.error = std::current_exception();
        }
        outcomes.push_back(std::move(outcome));
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
