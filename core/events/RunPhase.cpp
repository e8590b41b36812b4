#include "core/events/RunPhase.h"

#include <array>
#include <utility>

namespace keldra {

namespace {
constexpr std::array<std::pair<RunPhase, std::string_view>, 6> phaseNames{{
    {RunPhase::preparing, "preparing"},
    {RunPhase::checking, "checking"},
    {RunPhase::scanning, "scanning"},
    {RunPhase::uploading, "uploading"},
    {RunPhase::copying, "copying"},
    {RunPhase::cleaning, "cleaning"},
}};
} // namespace

std::string_view rawValue(RunPhase phase) {
    for (const auto& [candidate, name] : phaseNames) {
        if (candidate == phase) {
            return name;
        }
    }
    return "preparing";
}

std::optional<RunPhase> runPhaseFromRaw(std::string_view raw) {
    for (const auto& [phase, name] : phaseNames) {
        if (name == raw) {
            return phase;
        }
    }
    return std::nullopt;
}

} // namespace keldra
