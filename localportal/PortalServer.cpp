#include "localportal/PortalServer.h"

#include "core/codec/Hex.h"
#include "localportal/PortalContext.h"
#include "localportal/PortalRoutes.h"

#include <arpa/inet.h>
#include <openssl/rand.h>
#include <stdexcept>

namespace keldra::localportal {

namespace {

constexpr const char* demoEmail = "demo@keldra.local";

HttpServer::Options serverOptions(const PortalOptions& options) {
    HttpServer::Options server;
    server.threads = options.threads;
    server.maxBodyBytes = options.maxObjectBytes;
    return server;
}

} // namespace

struct PortalServer::Impl {
    explicit Impl(const PortalOptions& options)
        : options(options),
          context(options.dataDir, options.maxObjectBytes, options.latencyMs, options.requestLimit),
          server(serverOptions(options)) {
        context.durableObjects = options.durable;
    }

    PortalOptions options;
    PortalContext context;
    HttpServer server;
    int port = -1;
};

bool PortalServer::isLoopbackHost(const std::string& host) {
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    return host == "::1" || host == "localhost";
}

PortalServer::PortalServer(PortalOptions options) {
    if (!isLoopbackHost(options.host)) {
        throw std::invalid_argument("the local portal listens on loopback addresses only");
    }
    if (options.requestLimit < 1) {
        throw std::invalid_argument("the request limit must be at least 1");
    }
    if (options.requestLimit != RequestLimiter::standardLimit && options.durable) {
        throw std::invalid_argument("the request limit may be changed only for benchmarks (--no-fsync)");
    }
    std::filesystem::create_directories(options.dataDir);
    impl_ = std::make_unique<Impl>(options);
    auto& server = impl_->server;
    auto& context = impl_->context;
    server.setEmptyErrorHandler([](const HttpRequest& req, HttpResponse& res) {
        // Only answers without a body of their own: paths and methods the portal does not serve.
        if (res.status == 404) {
            const std::string route = req.path.size() > 1 ? req.path.substr(1) : req.path;
            sendMessage(res, 404, "The route " + route + " could not be found.");
        } else {
            sendMessage(res, 405, "The " + req.method + " method is not supported for this route.");
        }
    });
    server.setExceptionHandler(
        [](HttpResponse& res, const std::string& what) { sendMessage(res, 500, what); });
    addAuthRoutes(server, context);
    addKeldraRoutes(server, context);
    addStorageRoutes(server, context);
    addControlRoutes(server, context);
}

PortalServer::~PortalServer() {
    stop();
}

int PortalServer::bind() {
    auto& impl = *impl_;
    impl.port = impl.server.bind(impl.options.host, impl.options.port);
    if (impl.port <= 0) {
        throw std::runtime_error("cannot listen on " + impl.options.host + ":" +
                                 std::to_string(impl.options.port));
    }
    const std::string host =
        impl.options.host.find(':') != std::string::npos ? "[" + impl.options.host + "]" : impl.options.host;
    impl.context.setBaseUrl("http://" + host + ":" + std::to_string(impl.port));
    return impl.port;
}

void PortalServer::run() {
    impl_->server.run();
}

void PortalServer::stop() {
    if (impl_) {
        impl_->server.stop();
    }
}

std::string PortalServer::baseUrl() const {
    return impl_->context.baseUrl();
}

std::pair<std::string, std::string> PortalServer::ensureDemoAccount() {
    auto& store = impl_->context.store;
    auto password = store.metaValue("demo_password");
    if (!password || !store.accountByEmail(demoEmail)) {
        std::uint8_t raw[9];
        if (RAND_bytes(raw, sizeof raw) != 1) {
            throw std::runtime_error("no random bytes");
        }
        password = "demo-" + hexEncode(raw, sizeof raw);
        if (auto existing = store.accountByEmail(demoEmail)) {
            store.setPassword(existing->id, *password);
        } else {
            Account account;
            account.email = demoEmail;
            account.name = "Demo User";
            account.planName = "Keldra 100 GB";
            account.quotaBytes = 100LL * 1000 * 1000 * 1000;
            store.createAccount(account, *password);
        }
        store.setMetaValue("demo_password", *password);
    }
    return {demoEmail, *password};
}

} // namespace keldra::localportal
