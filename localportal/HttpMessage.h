#pragma once

#include "core/fs/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace keldra::localportal {

// Header names compare without regard to case, as HTTP has it; each keeps the spelling it was sent with.
struct HeaderNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using HttpHeaders = std::multimap<std::string, std::string, HeaderNameLess>;
using HttpParams = std::multimap<std::string, std::string>;

struct HttpRequest {
    std::string method;
    std::string path;                 // percent-decoded, without the query
    HttpParams params;                // the query, decoded ("+" is a space)
    HttpHeaders headers;              // as sent, plus REMOTE_ADDR, REMOTE_PORT, LOCAL_ADDR and LOCAL_PORT
    std::string body;                 // empty for streaming routes, which read the body themselves
    std::vector<std::string> matches; // the whole path, then the route pattern's groups
    std::string remoteAddr;
    int remotePort = 0;

    // The first value of the header, or "".
    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
    // The first value of the query parameter, or "".
    std::string param(const std::string& name) const;
    bool hasParam(const std::string& name) const;
};

// Where a streaming route's request body goes: pieces handed over in order (one that answers false stops the
// body).
using BodyReceiver = std::function<bool(const char* data, std::size_t size)>;
// Reads the body once; true when the whole declared body arrived and was taken.
using BodyReader = std::function<bool(const BodyReceiver& receiver)>;

struct HttpResponse {
    int status = -1; // unset: 200 once a route handled the request
    HttpHeaders headers;
    std::string body;

    // A body sent straight from an open file (from its start) in place of `body`; sentBytes counts what left.
    struct FileBody {
        std::shared_ptr<UniqueFd> fd;
        std::uint64_t size = 0;
        std::function<void(std::uint64_t)> sentBytes;
    };
    std::optional<FileBody> file;
    // Headers that promise this many bytes, then the connection closes before any: a cut-off answer.
    std::optional<std::uint64_t> brokenBodySize;

    void setContent(std::string content, const std::string& contentType);
    // Replaces every earlier value of the header.
    void setHeader(const std::string& name, const std::string& value);
    std::string header(const std::string& name) const;
};

} // namespace keldra::localportal
