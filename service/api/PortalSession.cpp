#include "service/api/PortalSession.h"

#include "keldra/BuildVersion.h"
#include "service/api/CurlHandles.h"
#include "service/api/TransferFailureText.h"
#include "service/types/PortalLinks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <mutex>

namespace keldra {

void ensureCurlInitialised() {
    static const bool done = [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        return true;
    }();
    (void)done;
}

std::optional<std::string> HTTPResponse::header(std::string_view name) const {
    std::optional<std::string> found;
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() &&
            std::equal(key.begin(), key.end(), name.begin(),
                       [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); })) {
            found = value;
        }
    }
    return found;
}

namespace {

bool isUnreserved(unsigned char c) {
    return std::isalnum(c) != 0 || c == '-' || c == '.' || c == '_' || c == '~';
}

std::string percentEncode(std::string_view text, bool encodeDots) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (isUnreserved(c) && !(encodeDots && c == '.')) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

// The share handle's locks: libcurl asks for one lock per kind of shared data.
struct ShareLocks {
    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes;
};

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void* user) {
    static_cast<ShareLocks*>(user)->mutexes[static_cast<size_t>(data)].lock();
}
void unlockShare(CURL*, curl_lock_data data, void* user) {
    static_cast<ShareLocks*>(user)->mutexes[static_cast<size_t>(data)].unlock();
}

struct TransferState {
    HTTPResponse response;
    const CancelToken* cancel = nullptr;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const size_t length = size * count;
    state->response.body.insert(state->response.body.end(), data, data + length);
    return length;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* state = static_cast<TransferState*>(user);
    const size_t length = size * count;
    const std::string_view line(data, length);
    if (line.starts_with("HTTP/")) {
        // A new status line (after a 100 Continue or a redirect) starts a new header block.
        state->response.headers.clear();
    } else if (const auto colon = line.find(':'); colon != std::string_view::npos) {
        state->response.headers.emplace_back(trimmed(line.substr(0, colon)), trimmed(line.substr(colon + 1)));
    }
    return length;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* state = static_cast<TransferState*>(user);
    return state->cancel->stop_requested() ? 1 : 0;
}

// The transfer failure in the words the user sees.
std::string describe(CURLcode code) {
    return transferFailureText(code, "The portal address is not valid.");
}

long wholeSeconds(double seconds) {
    if (!(seconds > 0)) {
        return 1;
    }
    return static_cast<long>(std::ceil(std::min(seconds, 86400.0)));
}

} // namespace

struct PortalSession::Shared {
    ShareLocks locks;
    CurlShare share;
};

PortalSession::PortalSession(std::string baseURL)
    : baseURL_(std::move(baseURL)), shared_(std::make_unique<Shared>()) {
    while (!baseURL_.empty() && baseURL_.back() == '/') {
        baseURL_.pop_back();
    }
    ensureCurlInitialised();
    shared_->share.reset(curl_share_init());
    if (shared_->share) {
        CURLSH* share = shared_->share.get();
        curl_share_setopt(share, CURLSHOPT_LOCKFUNC, lockShare);
        curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, unlockShare);
        curl_share_setopt(share, CURLSHOPT_USERDATA, &shared_->locks);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }
}

PortalSession::~PortalSession() = default;

std::string PortalSession::userAgent() {
    return std::string("Orlivane-Keldra-macOS/") + keldra::build::shortVersion;
}

std::string PortalSession::url(std::string_view path, const QueryItems& query) const {
    std::string out = baseURL_;
    if (!path.starts_with('/')) {
        out.push_back('/');
    }
    out.append(path);
    if (!query.empty()) {
        out.push_back('?');
        bool first = true;
        for (const auto& [name, value] : query) {
            if (!first) {
                out.push_back('&');
            }
            first = false;
            out += encodeQueryComponent(name) + "=" + encodeQueryComponent(value);
        }
    }
    return out;
}

HTTPResponse PortalSession::send(const Request& request, const CancelToken& cancel) {
    if (cancel.stop_requested()) {
        throw TransferError("Cancelled.", true);
    }
    const std::string target = url(request.path, request.query);
    if (!isPermittedPortalURL(target)) {
        // Tokens, passwords and verifiers never go out in clear text beyond this computer.
        throw TransferError("The portal address isn't secure, so nothing was sent.", false);
    }

    CurlEasy easy(curl_easy_init());
    if (!easy) {
        throw TransferError("The request could not be prepared.", false);
    }
    CURL* h = easy.get();
    CurlHeaderList headers;
    bool headersOk =
        headers.append("Accept: application/json") && headers.append(("User-Agent: " + userAgent()).c_str());
    for (const auto& line : request.headers) {
        headersOk = headersOk && headers.append(line.c_str());
    }
    if (!headersOk) {
        throw TransferError("The request could not be prepared.", false);
    }

    TransferState state;
    state.cancel = &cancel;

    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    if (shared_->share) {
        curl_easy_setopt(h, CURLOPT_SHARE, shared_->share.get());
    }
    if (request.method == "GET") {
        curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    }
    if (request.body) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body->size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body->data());
    }
    // Idle time: abort when fewer than one byte a second moves for the whole interval.
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, wholeSeconds(request.idleTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, wholeSeconds(request.idleTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, wholeSeconds(request.totalTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &state);

    const CURLcode code = curl_easy_perform(h);
    if (code == CURLE_ABORTED_BY_CALLBACK || (code != CURLE_OK && cancel.stop_requested())) {
        throw TransferError("Cancelled.", true);
    }
    if (code != CURLE_OK) {
        throw TransferError(describe(code), false);
    }
    // A status of 0 means the peer answered with something other than HTTP; the caller decides.
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &state.response.status);
    return std::move(state.response);
}

std::string encodePathSegment(std::string_view text) {
    const bool onlyDots = !text.empty() && text.find_first_not_of('.') == std::string_view::npos;
    return percentEncode(text, onlyDots);
}

std::string encodeQueryComponent(std::string_view text) {
    return percentEncode(text, false);
}

} // namespace keldra
