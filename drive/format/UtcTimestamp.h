#pragma once

#include "core/seams/Clock.h"

#include <string>

namespace keldra::LocalFormat {

// "YYYY-MM-DDTHH:MM:SSZ" in UTC, fractions of a second dropped (floored). Seconds since 1970 come from
// drive metadata that may be damaged, so values outside the years 0001 to 9999 are clamped to that range
// instead of overflowing.
std::string internetDateTime(double unixSeconds);
std::string internetDateTime(SystemTime time);

} // namespace keldra::LocalFormat
