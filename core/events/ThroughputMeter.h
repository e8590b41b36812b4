#pragma once

#include <cstdint>
#include <mutex>

namespace keldra {

// Bytes sent since the last sample, shared by the app model's once-a-second sampler and both engines.
class ThroughputMeter {
public:
    // Adds newly sent bytes; zero or negative growth adds nothing.
    void add(int64_t bytes);
    // The bytes added since the previous call, resetting the count to zero.
    int64_t takePending();

private:
    std::mutex lock_;
    int64_t pending_ = 0;
};

} // namespace keldra
