#pragma once

#include "core/Bytes.h"
#include "core/seams/CancelToken.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace keldra {

// Hands an in-memory body to the HTTP stack piece by piece. When paced, it holds the average rate since the
// (re)start to bytesPerSecond: it gives at most one chunk per call, each once the bytes before it are due, so
// it runs ahead of the rate by at most one chunk. A rewind starts again at byte 0 with a fresh clock.
class UploadBodySource {
public:
    static constexpr double minimumRate = 16384.0;

    // bytesPerSecond <= 0: unpaced.
    UploadBodySource(const Bytes& body, double bytesPerSecond, const Clock& clock, Sleeper& sleeper,
                     CancelToken cancel);

    // The paced rate for a requested rate (never below 16384 bytes per second).
    static double effectiveRate(double bytesPerSecond);
    // Bytes per piece at a paced rate: a tenth of a second's worth, kept within 4096...65536.
    static std::size_t chunkSize(double effectiveRate);

    bool paced() const { return rate_ > 0; }
    double rate() const { return rate_; }
    std::size_t chunk() const { return chunk_; }
    std::uint64_t offset() const { return offset_; }

    // Copies the next piece into buffer; 0 at the end. Nothing (std::nullopt) when cancelled while waiting.
    std::optional<std::size_t> read(char* buffer, std::size_t capacity);
    // Back to the first byte, with a fresh clock for the pacing.
    void rewind();

private:
    const Bytes& body_;
    double rate_ = 0;
    std::size_t chunk_ = 0;
    const Clock& clock_;
    Sleeper& sleeper_;
    CancelToken cancel_;
    std::uint64_t offset_ = 0;
    SystemTime start_;
};

} // namespace keldra
