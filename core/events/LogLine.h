#pragma once

#include "core/seams/Clock.h"

#include <string>

namespace keldra {

// One line of the user-visible run log.
struct LogLine {
    enum class Tone { info, ok, warning, error };

    // A new UUID for every line, so lists can tell equal texts apart.
    std::string id;
    SystemTime date;
    std::string text;
    Tone tone = Tone::info;

    // A line with a fresh id.
    static LogLine make(std::string text, Tone tone, SystemTime date);

    friend bool operator==(const LogLine&, const LogLine&) = default;
};

} // namespace keldra
