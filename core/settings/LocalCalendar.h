#pragma once

#include "core/seams/Clock.h"

#include <cstdint>
#include <optional>

namespace keldra {

// The first local time strictly after `after` whose hour and minute (and weekday, 1 = Sunday, when
// given) match, at second 0, in the process's time zone (TZ). A local time that occurs twice counts at
// its first occurrence only; one skipped by a clock change gives the first moment after the gap.
// None when no such time lies within the next two weeks or local time cannot be computed.
std::optional<SystemTime> nextLocalTimeMatching(SystemTime after, int hour, int minute,
                                                std::optional<int> weekday);

// t + seconds, held at the ends of SystemTime's range instead of overflowing.
SystemTime addSecondsSaturating(SystemTime t, std::int64_t seconds);

} // namespace keldra
