#pragma once

#include "localportal/RequestLimiter.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

namespace keldra::localportal {

struct PortalOptions {
    std::string host = "127.0.0.1"; // loopback only
    int port = 0;                   // 0: any free port
    std::filesystem::path dataDir;
    int latencyMs = 0; // added to every request
    int threads = 64;  // requests served at once
    std::uint64_t maxObjectBytes = 5ULL << 30;
    // False only for benchmarks: stored bodies are not flushed to disk, so a crash of the machine may lose
    // them, and a benchmark of the client does not measure the portal's disk.
    bool durable = true;
    // Authenticated requests per account in any 60 s. Only a non-durable portal may raise it, so a
    // benchmark can measure more than the client would ever be let through; tests always meet the real
    // limit.
    int requestLimit = RequestLimiter::standardLimit;
};

// The local portal: REST API, presigned storage, country trace and control API on one HTTP server.
class PortalServer {
public:
    explicit PortalServer(PortalOptions options);
    ~PortalServer();
    PortalServer(const PortalServer&) = delete;
    PortalServer& operator=(const PortalServer&) = delete;

    // Binds the listening socket; answers the port.
    int bind();
    // Serves until stop() is called (from another thread).
    void run();
    void stop();
    std::string baseUrl() const;

    // The demo account (made once per data folder): e-mail and password.
    std::pair<std::string, std::string> ensureDemoAccount();

    static bool isLoopbackHost(const std::string& host);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace keldra::localportal
