#pragma once

#include "core/seams/CancelToken.h"
#include "core/seams/Sleeper.h"

namespace keldra::test {

// Stops the run the moment it starts to wait.
class CancellingSleeper final : public Sleeper {
public:
    explicit CancellingSleeper(CancelSource& source) : source_(source) {}
    bool sleep(Seconds, const CancelToken&) override {
        source_.request_stop();
        return false;
    }

private:
    CancelSource& source_;
};

} // namespace keldra::test
