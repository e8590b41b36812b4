#pragma once
// The mass-change guard that cloud and drive runs share: a run that would replace or remove two fifths or
// more of the files already backed up, out of at least 200, pauses for review before it changes anything.

#include "core/scan/Candidate.h"

#include <cstdint>
#include <vector>

namespace keldra {

// How many of the candidates replace a copy already backed up.
inline std::int64_t changedCount(const std::vector<Candidate>& candidates) {
    std::int64_t changed = 0;
    for (const Candidate& candidate : candidates) {
        if (candidate.existing && candidate.existing->keldraFileID) {
            ++changed;
        }
    }
    return changed;
}

// Whether `changed` replaced and `removed` gone copies out of `protectedCount` call for review; whole
// numbers, so the boundary is exact.
constexpr bool isMassChange(std::int64_t protectedCount, std::int64_t changed, std::int64_t removed) {
    return protectedCount >= 200 && (changed + removed) * 5 >= protectedCount * 2;
}

} // namespace keldra
