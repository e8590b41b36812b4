#pragma once

#include "core/Bytes.h"
#include "core/seams/CancelToken.h"
#include "core/seams/Clock.h"
#include "core/seams/Sleeper.h"
#include "service/storage/StorageError.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace keldra {

struct StorageTimeouts {
    long uploadIdleSeconds = 60;    // no byte moved for this long ends an upload
    long downloadIdleSeconds = 120; // likewise for a download
    long totalSeconds = 21600;      // the longest any transfer may take (6 h)
};

// Moves encrypted bodies to and from presigned storage links (PUT and GET), never retrying: callers decide.
// Thread-safe; uploads and downloads may run at the same time. Errors: StorageError, or CancelledError when
// the token was cancelled.
class StorageTransport {
public:
    // Total bytes of the body sent so far; called on the transfer's thread.
    using Progress = std::function<void(std::int64_t totalSent)>;

    // Takes a download's body piece by piece, on the transfer's thread. It may throw: the transfer ends
    // there and download rethrows the exception (unless the transfer was cancelled).
    using BodySink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    using Timeouts = StorageTimeouts;

    StorageTransport();
    // clock and sleeper pace throttled uploads; both must outlive the transport.
    StorageTransport(const Clock& clock, Sleeper& sleeper, Timeouts timeouts = {});
    ~StorageTransport();
    StorageTransport(const StorageTransport&) = delete;
    StorageTransport& operator=(const StorageTransport&) = delete;

    // The one transport the application shares.
    static StorageTransport& shared();

    // PUT body to url with "Content-Type" = contentType and its "Content-Length". A rate above 0 paces the
    // body to max(rate, 16384) bytes per second; 0 or less sends it as fast as the link allows.
    void upload(const Bytes& body, const std::string& url, const std::string& contentType,
                double bytesPerSecond, const Progress& progress, const CancelToken& cancel = {});

    // GET url; the whole body.
    Bytes download(const std::string& url, const CancelToken& cancel = {});
    // GET url, handing the body to `sink` as it arrives instead of holding it. The body is whole only if
    // this returns; after a failure the sink has seen a part of it at most.
    void download(const std::string& url, const BodySink& sink, const CancelToken& cancel = {});

    // The answer check both share: 200...299 pass; 403 is urlExpiredOrForbidden; 0 (no HTTP answer) is
    // transport("No HTTP response"); anything else is http(status).
    static void validate(long status);

private:
    struct Shared;
    const Clock& clock_;
    Sleeper& sleeper_;
    Timeouts timeouts_;
    std::unique_ptr<Shared> shared_;
};

} // namespace keldra
