#include "core/index/IndexRows.h"

#include <array>

namespace keldra {
namespace {

constexpr std::array<std::pair<RunStatus, std::string_view>, 7> rawValues{{
    {RunStatus::running, "running"},
    {RunStatus::succeeded, "succeeded"},
    {RunStatus::partial, "partial"},
    {RunStatus::failed, "failed"},
    {RunStatus::cancelled, "cancelled"},
    {RunStatus::paused, "paused"},
    {RunStatus::blocked, "blocked"},
}};

} // namespace

std::string_view runStatusRawValue(RunStatus status) {
    for (const auto& [value, raw] : rawValues) {
        if (value == status) {
            return raw;
        }
    }
    return "failed";
}

RunStatus runStatusFromRawValue(std::optional<std::string_view> raw) {
    if (raw) {
        for (const auto& [value, text] : rawValues) {
            if (text == *raw) {
                return value;
            }
        }
    }
    return RunStatus::failed;
}

} // namespace keldra
