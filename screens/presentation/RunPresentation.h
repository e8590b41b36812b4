#pragma once
// How far a run has come, as the orb, the run bars and the chips show it. Qt-free.

#include "core/events/RunProgress.h"

namespace keldra {

// Bytes done of the bytes to send when there are any, else files done of the files, else 0; never above 1.
double runFraction(const RunProgress& progress);

// The run fraction as a whole percent, truncated toward zero (99.9 shows as 99).
int runPercent(const RunProgress& progress);

} // namespace keldra
