#pragma once

#include <optional>
#include <string_view>

namespace keldra {

// The stage a run is in, as the screens show it. The raw values are stable texts.
enum class RunPhase { preparing, checking, scanning, uploading, copying, cleaning };

std::string_view rawValue(RunPhase phase);

// None for a text that names no phase.
std::optional<RunPhase> runPhaseFromRaw(std::string_view raw);

} // namespace keldra
