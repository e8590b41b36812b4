#pragma once

#include "core/Error.h"
#include "core/seams/CancelToken.h"
#include "service/api/HTTPResponse.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keldra {

using QueryItems = std::vector<std::pair<std::string, std::string>>;

// A transfer that did not produce an HTTP answer. Kept inside the client, which maps it to its own
// errors; `cancelled` marks a transfer stopped by its cancel token.
class TransferError final : public Error {
public:
    TransferError(std::string description, bool cancelled)
        : description_(std::move(description)), cancelled_(cancelled) {}
    std::string message() const override { return description_; }
    bool cancelled() const { return cancelled_; }

private:
    std::string description_;
    bool cancelled_;
};

// The connection to the portal host: its base URL, the headers every request carries ("Accept" and the
// User-Agent), and connection reuse across requests. No cookies or caches are kept. Thread-safe.
class PortalSession {
public:
    struct Request {
        std::string method = "GET";
        std::string path; // from the base URL, beginning with "/"
        QueryItems query;
        std::vector<std::string> headers; // "Name: value"
        std::optional<std::string> body;
        double idleTimeoutSeconds = 60;   // give up when nothing moves for this long
        double totalTimeoutSeconds = 120; // and after this long in all
    };

    explicit PortalSession(std::string baseURL);
    ~PortalSession();
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    const std::string& baseURL() const { return baseURL_; }

    // "Orlivane-Keldra-macOS/" followed by the application's short version.
    static std::string userAgent();

    // The full URL of a path and its query (values percent-encoded; no "?" for an empty query).
    std::string url(std::string_view path, const QueryItems& query) const;

    // Sends the request and returns the answer whatever its status. Throws TransferError when no answer
    // arrived (including cancellation and a base URL that may not be used).
    HTTPResponse send(const Request& request, const CancelToken& cancel = {});

private:
    struct Shared;
    std::string baseURL_;
    std::unique_ptr<Shared> shared_;
};

// Percent-encodes text as one path segment: only unreserved characters stay, and a segment of dots is
// encoded too, so an identifier can never address another path.
std::string encodePathSegment(std::string_view text);

// Percent-encodes a query name or value (unreserved characters stay).
std::string encodeQueryComponent(std::string_view text);

} // namespace keldra
