#pragma once

#include "core/seams/Clock.h"

#include <optional>
#include <string>

namespace keldra {

// Reads the portal's date texts: an internet date-time with fractional seconds, one without, or
// "yyyy-MM-dd HH:mm:ss" taken as UTC. Anything else, and an absent or empty text, gives nothing.
std::optional<SystemTime> parseServerDate(const std::optional<std::string>& text);

// The server date as seconds since 1970, or `fallback` (the run's own clock) when the portal gave none that
// reads as a date.
double serverSecondsOr(const std::optional<std::string>& text, double fallback);

// An internet date-time in UTC without fractional seconds, e.g. "2024-05-01T10:00:00Z".
std::string formatInternetDateTime(SystemTime time);

} // namespace keldra
