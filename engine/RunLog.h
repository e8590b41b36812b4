#pragma once

#include "core/events/LogLine.h"

#include <functional>
#include <string>

namespace keldra {

// The run's log: one line with its tone, sent as an event.
using RunLog = std::function<void(const std::string& text, LogLine::Tone tone)>;

} // namespace keldra
