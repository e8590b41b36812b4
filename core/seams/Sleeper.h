#pragma once

#include "core/seams/CancelToken.h"
#include "core/seams/Clock.h"

namespace keldra {

// Waits, injected so tests check long waits without sleeping. A cancelled wait returns at once.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    // True when the whole duration passed, false when the token was cancelled first.
    virtual bool sleep(Seconds duration, const CancelToken& token) = 0;

    // Like sleep, but a cancelled wait ends with CancelledError.
    void sleepOrThrow(Seconds duration, const CancelToken& token) {
        if (!sleep(duration, token)) {
            throw CancelledError{};
        }
    }
};

class ThreadSleeper final : public Sleeper {
public:
    bool sleep(Seconds duration, const CancelToken& token) override;
};

} // namespace keldra
