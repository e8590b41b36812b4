#include "service/storage/StorageTransport.h"

#include "service/api/CurlHandles.h"
#include "service/api/TransferFailureText.h"
#include "service/storage/UploadBodySource.h"

#include <algorithm>
#include <array>
#include <curl/curl.h>
#include <exception>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/mman.h>

namespace keldra {

namespace {

constexpr std::string_view noHttpResponseText = "No HTTP response";

constexpr long pacedBufferSize = 65536;
constexpr long fastUploadBufferSize = 1 << 20;
constexpr long downloadBufferSize = CURL_MAX_READ_SIZE;
// A streamed body passes through this buffer on its way to the sink; small enough to stay in the cache
// while the sink works on it.
constexpr long streamBufferSize = 1 << 20;
// A download answer that announces more than this is not believed when reserving memory up front.
constexpr curl_off_t reserveLimit = curl_off_t{4} << 30;

struct Transfer {
    const CancelToken* cancel = nullptr;
    const StorageTransport::Progress* progress = nullptr;
    curl_off_t lastReported = -1;
};

struct UploadTransfer : Transfer {
    UploadBodySource* source = nullptr;
    bool cancelledWhileWaiting = false;
};

struct DownloadTransfer : Transfer {
    CURL* handle = nullptr;
    Bytes body;
    bool reserved = false;
};

struct StreamTransfer : Transfer {
    CURL* handle = nullptr;
    const StorageTransport::BodySink* sink = nullptr;
    std::optional<bool> succeeded; // the answer's status, once its body starts
    std::exception_ptr sinkError;
};

// Called at least once a second by libcurl, also while nothing moves: the place where a cancellation stops
// it.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->cancel->stop_requested()) {
        return 1;
    }
    if (transfer->progress != nullptr && *transfer->progress && uploaded != transfer->lastReported) {
        transfer->lastReported = uploaded;
        (*transfer->progress)(static_cast<std::int64_t>(uploaded));
    }
    return 0;
}

std::size_t onRead(char* buffer, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<UploadTransfer*>(user);
    const auto given = transfer->source->read(buffer, size * count);
    if (!given) {
        transfer->cancelledWhileWaiting = true;
        return CURL_READFUNC_ABORT;
    }
    return *given;
}

// libcurl asks to start the body again (a resend on a new connection, for one): only from the first byte.
int onSeek(void* user, curl_off_t offset, int origin) {
    auto* transfer = static_cast<UploadTransfer*>(user);
    if (origin != SEEK_SET || offset != 0) {
        return CURL_SEEKFUNC_CANTSEEK;
    }
    transfer->source->rewind();
    return CURL_SEEKFUNC_OK;
}

std::size_t onDiscard(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

// A large body fills fresh memory page by page; huge pages make that far fewer faults. Only a hint.
void adviseHugePages(void* data, std::size_t size) {
    constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + size) & ~(huge - 1);
    if (end > begin) {
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
}

std::size_t onWrite(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<DownloadTransfer*>(user);
    const std::size_t length = size * count;
    if (!transfer->reserved) {
        transfer->reserved = true;
        curl_off_t announced = -1;
        if (curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
            announced > 0 && announced <= reserveLimit) {
            transfer->body.reserve(static_cast<std::size_t>(announced));
            adviseHugePages(transfer->body.data(), transfer->body.capacity());
        }
    }
    try {
        transfer->body.insert(transfer->body.end(), reinterpret_cast<const std::uint8_t*>(data),
                              reinterpret_cast<const std::uint8_t*>(data) + length);
    } catch (const std::bad_alloc&) {
        return 0; // ends the transfer with a write error
    }
    return length;
}

std::size_t onStream(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<StreamTransfer*>(user);
    const std::size_t length = size * count;
    if (!transfer->succeeded) {
        long status = 0;
        curl_easy_getinfo(transfer->handle, CURLINFO_RESPONSE_CODE, &status);
        transfer->succeeded = status >= 200 && status <= 299;
    }
    // The body of a refusal is not the stored body: it never reaches the sink.
    if (!*transfer->succeeded) {
        return length;
    }
    try {
        (*transfer->sink)(reinterpret_cast<const std::uint8_t*>(data), length);
    } catch (...) {
        transfer->sinkError = std::current_exception();
        return 0; // ends the transfer with a write error
    }
    return length;
}

// An answer that is not HTTP at all (nothing, garbage, an HTTP/0.9 reply) is "No HTTP response", like a
// response without a status; the rest read as the portal's transfer failures do.
std::string failureText(CURLcode code, const char* detail) {
    const bool notHttp = code == CURLE_WEIRD_SERVER_REPLY || code == CURLE_GOT_NOTHING ||
                         (code == CURLE_UNSUPPORTED_PROTOCOL &&
                          std::string_view(detail).find("HTTP") != std::string_view::npos);
    if (notHttp) {
        return std::string(noHttpResponseText);
    }
    return transferFailureText(code, "The storage link is not valid.");
}

const Clock& systemClock() {
    static const SystemClock clock;
    return clock;
}

Sleeper& threadSleeper() {
    static ThreadSleeper sleeper;
    return sleeper;
}

} // namespace

// Connections (and name look-ups) shared by every transfer, so a run of uploads reuses its connections.
struct StorageTransport::Shared {
    Shared() {
        ensureCurlInitialised();
        share.reset(curl_share_init());
        if (share) {
            curl_share_setopt(share.get(), CURLSHOPT_LOCKFUNC, &Shared::lock);
            curl_share_setopt(share.get(), CURLSHOPT_UNLOCKFUNC, &Shared::unlock);
            curl_share_setopt(share.get(), CURLSHOPT_USERDATA, this);
            curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
            curl_share_setopt(share.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        }
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* user) {
        static_cast<Shared*>(user)->mutexes.at(static_cast<std::size_t>(data)).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* user) {
        static_cast<Shared*>(user)->mutexes.at(static_cast<std::size_t>(data)).unlock();
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
    CurlShare share;
};

StorageTransport::StorageTransport() : StorageTransport(systemClock(), threadSleeper()) {}

StorageTransport::StorageTransport(const Clock& clock, Sleeper& sleeper, Timeouts timeouts)
    : clock_(clock), sleeper_(sleeper), timeouts_(timeouts), shared_(std::make_unique<Shared>()) {}

StorageTransport::~StorageTransport() = default;

StorageTransport& StorageTransport::shared() {
    static StorageTransport transport;
    return transport;
}

void StorageTransport::validate(long status) {
    if (status == 0) {
        throw StorageError::transport(std::string(noHttpResponseText));
    }
    if (status >= 200 && status <= 299) {
        return;
    }
    if (status == 403) {
        throw StorageError::urlExpiredOrForbidden();
    }
    throw StorageError::http(static_cast<int>(status));
}

namespace {

// The options every transfer shares; the handle's callbacks point at transfer.
CurlEasy makeHandle(const std::string& url, CURLSH* share, char* errorText, long idleSeconds,
                    long totalSeconds, Transfer& transfer) {
    CurlEasy handle(curl_easy_init());
    if (!handle) {
        throw StorageError::transport("Couldn't start the transfer.");
    }
    CURL* h = handle.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // Links come from the portal's answers: only ever speak HTTP with them, never file:// or the like.
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    if (share != nullptr) {
        curl_easy_setopt(h, CURLOPT_SHARE, share);
    }
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, idleSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, idleSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, totalSeconds);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    return handle;
}

// Turns the end of a transfer into the caller's outcome: cancellation, transport failure or the status check.
void finish(CURL* handle, CURLcode code, const char* errorText, const CancelToken& cancel, bool cancelled) {
    long status = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    if (cancelled || (code != CURLE_OK && cancel.stop_requested())) {
        throw CancelledError{};
    }
    if (code != CURLE_OK) {
        // The storage may refuse an upload before its body is through; its answer says more than the
        // broken-off send does.
        if (status >= 300) {
            StorageTransport::validate(status);
        }
        throw StorageError::transport(failureText(code, errorText));
    }
    StorageTransport::validate(status);
}

// A GET whose body goes through `write` with `transfer` (a DownloadTransfer or a StreamTransfer).
template <typename T>
CurlEasy makeDownload(const std::string& url, CURLSH* share, char* errorText, const StorageTimeouts& timeouts,
                      T& transfer, curl_write_callback write, long bufferSize) {
    auto handle =
        makeHandle(url, share, errorText, timeouts.downloadIdleSeconds, timeouts.totalSeconds, transfer);
    CURL* h = handle.get();
    transfer.handle = h;
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, bufferSize);
    return handle;
}

} // namespace

void StorageTransport::upload(const Bytes& body, const std::string& url, const std::string& contentType,
                              double bytesPerSecond, const Progress& progress, const CancelToken& cancel) {
    throwIfCancelled(cancel);
    UploadBodySource source(body, bytesPerSecond, clock_, sleeper_, cancel);
    UploadTransfer transfer;
    transfer.cancel = &cancel;
    transfer.progress = &progress;
    transfer.source = &source;
    char errorText[CURL_ERROR_SIZE] = {};
    auto handle = makeHandle(url, shared_->share.get(), errorText, timeouts_.uploadIdleSeconds,
                             timeouts_.totalSeconds, transfer);
    CURL* h = handle.get();

    CurlHeaderList headers;
    const std::string typeHeader = "Content-Type: " + contentType;
    // An empty Expect: sends the body at once instead of waiting for "100 Continue".
    if (!headers.append(typeHeader.c_str()) || !headers.append("Expect:")) {
        throw StorageError::transport("Couldn't start the transfer.");
    }
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    // A declared length, never chunked: the storage must be able to tell a whole body from a cut-off one.
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &onRead);
    curl_easy_setopt(h, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, &onSeek);
    curl_easy_setopt(h, CURLOPT_SEEKDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &onDiscard);
    curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, source.paced() ? pacedBufferSize : fastUploadBufferSize);

    const CURLcode code = curl_easy_perform(h);
    finish(h, code, errorText, cancel, transfer.cancelledWhileWaiting);
}

Bytes StorageTransport::download(const std::string& url, const CancelToken& cancel) {
    throwIfCancelled(cancel);
    DownloadTransfer transfer;
    transfer.cancel = &cancel;
    char errorText[CURL_ERROR_SIZE] = {};
    auto handle =
        makeDownload(url, shared_->share.get(), errorText, timeouts_, transfer, &onWrite, downloadBufferSize);
    CURL* h = handle.get();

    const CURLcode code = curl_easy_perform(h);
    finish(h, code, errorText, cancel, false);
    return std::move(transfer.body);
}

void StorageTransport::download(const std::string& url, const BodySink& sink, const CancelToken& cancel) {
    throwIfCancelled(cancel);
    StreamTransfer transfer;
    transfer.cancel = &cancel;
    transfer.sink = &sink;
    char errorText[CURL_ERROR_SIZE] = {};
    auto handle =
        makeDownload(url, shared_->share.get(), errorText, timeouts_, transfer, &onStream, streamBufferSize);
    CURL* h = handle.get();

    const CURLcode code = curl_easy_perform(h);
    if (transfer.sinkError && !cancel.stop_requested()) {
        std::rethrow_exception(transfer.sinkError);
    }
    finish(h, code, errorText, cancel, false);
}

} // namespace keldra
