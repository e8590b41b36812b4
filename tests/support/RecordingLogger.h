#pragma once

#include "core/seams/Logger.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace keldra::test {

class RecordingLogger final : public Logger {
public:
    void log(std::string_view message) override {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(message);
    }
    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    bool contains(std::string_view fragment) const {
        std::lock_guard lock(mutex_);
        return std::any_of(lines_.begin(), lines_.end(),
                           [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

} // namespace keldra::test
