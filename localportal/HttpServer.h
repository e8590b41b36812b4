#pragma once

#include "localportal/HttpMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace keldra::localportal {

// The portal's HTTP/1.1 server: Boost.Beast parses requests and writes answers over plain blocking sockets,
// and the bodies move in large pieces (request bodies in reads of up to 1 MiB; stored bodies handed to the
// socket by the kernel), so the portal is not the slower side of a loopback benchmark. Each connection is
// served by one of `threads` workers for as long as it stays open (keep-alive); more connections wait for a
// free worker.
class HttpServer {
public:
    using Handler = std::function<void(const HttpRequest&, HttpResponse&)>;
    // A route that reads its own request body, as it arrives.
    using StreamingHandler = std::function<void(const HttpRequest&, HttpResponse&, const BodyReader&)>;
    using ExceptionHandler = std::function<void(HttpResponse&, const std::string& what)>;

    struct Options {
        int threads = 64;
        // Largest body a non-streaming route is handed; larger ones answer 413.
        std::uint64_t maxBodyBytes = 5ULL << 30;
        int idleSeconds = 30; // an idle kept-alive connection is closed after it
        int ioSeconds = 120;  // a read or write that makes no progress for this long ends the connection
    };

    explicit HttpServer(Options options);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Routes match the whole decoded path (ECMAScript regular expressions), first registered first; HEAD is
    // served by the GET routes, without the body.
    void get(const std::string& pattern, Handler handler);
    void post(const std::string& pattern, Handler handler);
    void put(const std::string& pattern, Handler handler);
    void del(const std::string& pattern, Handler handler);
    void putStreaming(const std::string& pattern, StreamingHandler handler);
    // Called for 404 and 405 answers that carry no body, unrouted paths included.
    void setEmptyErrorHandler(Handler handler);
    // Called when a handler throws; the answer starts afresh.
    void setExceptionHandler(ExceptionHandler handler);

    // Listens on host:port (0: any free port); answers the port, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop() is called (from another thread).
    void run();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace keldra::localportal
