#pragma once

#include "core/seams/Clock.h"

#include <optional>
#include <string>

namespace keldra {

// A date kept in an index's meta table: seconds since 1970 written as a plain decimal number. Anything
// else (absent, empty, "abc", "12x", not finite, out of the clock's range) is no date.
std::optional<SystemTime> metaDate(const std::optional<std::string>& text);

} // namespace keldra
