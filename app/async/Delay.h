#pragma once

#include "app/async/Timers.h"
#include "app/async/WorkGuard.h"

#include <qcoro/qcorotask.h>

namespace keldra {

// Waits `duration` on `timers` and resumes on the calling thread; then throws StaleWork when the guard's
// owner or account went away meanwhile. When the owner is destroyed during the wait, the wait ends on the
// next turn of the event loop, so the coroutine unwinds instead of lingering until a timer nobody needs.
QCoro::Task<> delay(Timers& timers, Seconds duration, WorkGuard guard);

} // namespace keldra
