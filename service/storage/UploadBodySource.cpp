#include "service/storage/UploadBodySource.h"

#include <algorithm>
#include <cstring>

namespace keldra {

UploadBodySource::UploadBodySource(const Bytes& body, double bytesPerSecond, const Clock& clock,
                                   Sleeper& sleeper, CancelToken cancel)
    : body_(body), clock_(clock), sleeper_(sleeper), cancel_(std::move(cancel)), start_(clock.now()) {
    if (bytesPerSecond > 0) {
        rate_ = effectiveRate(bytesPerSecond);
        chunk_ = chunkSize(rate_);
    }
}

double UploadBodySource::effectiveRate(double bytesPerSecond) {
    return std::max(bytesPerSecond, minimumRate);
}

std::size_t UploadBodySource::chunkSize(double effectiveRate) {
    const auto tenth = static_cast<std::uint64_t>(effectiveRate / 10.0);
    return static_cast<std::size_t>(std::clamp<std::uint64_t>(tenth, 4096, 65536));
}

std::optional<std::size_t> UploadBodySource::read(char* buffer, std::size_t capacity) {
    const std::uint64_t left = body_.size() - offset_;
    std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(left, capacity));
    if (take == 0) {
        return 0;
    }
    if (paced()) {
        take = std::min(take, chunk_);
        // Hand out the next piece once the bytes before it are due, so the body runs ahead of the rate by at
        // most one piece; waits of at most a second keep a cancellation noticed.
        const double due = static_cast<double>(offset_) / rate_;
        for (;;) {
            const double elapsed = Seconds(clock_.now() - start_).count();
            // Waits shorter than a microsecond are below the clock's resolution and never worth taking.
            if (elapsed + 1e-6 >= due) {
                break;
            }
            if (!sleeper_.sleep(Seconds(std::min(due - elapsed, 1.0)), cancel_)) {
                return std::nullopt;
            }
        }
    }
    std::memcpy(buffer, body_.data() + offset_, take);
    offset_ += take;
    return take;
}

void UploadBodySource::rewind() {
    offset_ = 0;
    start_ = clock_.now();
}

} // namespace keldra
