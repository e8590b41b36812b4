#include "localportal/HttpServer.h"

#include "core/codec/Hex.h"
#include "localportal/IncomingBody.h"
#include "localportal/SocketStream.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <boost/asio/error.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http.hpp>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <limits>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <regex>
#include <set>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keldra::localportal {

namespace http = boost::beast::http;
namespace net = boost::asio;
using boost::beast::error_code;

namespace {

// Percent-decoding; in a query "+" also stands for a space.
std::string decodeUrl(std::string_view text, bool query) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexDigitValue(text[i + 1]) >= 0 &&
            hexDigitValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexDigitValue(text[i + 1]) * 16 + hexDigitValue(text[i + 2]));
            i += 2;
        } else if (query && text[i] == '+') {
            decoded += ' ';
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

void parseTarget(std::string_view target, HttpRequest& req) {
    const auto question = target.find('?');
    req.path = decodeUrl(target.substr(0, question), false);
    if (question == std::string_view::npos) {
        return;
    }
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const auto equals = pair.find('=');
        const std::string key = decodeUrl(pair.substr(0, equals), true);
        if (!key.empty()) {
            req.params.emplace(key, equals == std::string_view::npos
                                        ? std::string()
                                        : decodeUrl(pair.substr(equals + 1), true));
        }
    }
}

std::pair<std::string, int> addressOf(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        return {text, ntohs(v4.sin_port)};
    }
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
    ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    return {text, ntohs(v6.sin6_port)};
}

bool bodyless(int status) {
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

std::string reasonOf(int status) {
    const auto reason = http::obsolete_reason(static_cast<http::status>(status));
    return reason.empty() || reason.front() == '<' ? std::string("Unknown") : std::string(reason);
}

bool readAndSend(SocketStream& stream, const HttpResponse::FileBody& file) {
    std::vector<char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(file.size, 1 << 20)));
    std::uint64_t left = file.size;
    while (left > 0) {
        const ssize_t got = retried([&] {
            return ::pread(file.fd->get(), piece.data(),
                           static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size())),
                           static_cast<off_t>(file.size - left));
        });
        if (got <= 0 || !stream.sendAll(piece.data(), static_cast<std::size_t>(got))) {
            return false;
        }
        left -= static_cast<std::uint64_t>(got);
        if (file.sentBytes) {
            file.sentBytes(static_cast<std::uint64_t>(got));
        }
    }
    return true;
}

// A stored body, handed to the socket by the kernel (sendfile): its pages go out as they are, with no copy
// through this process and no mapping to set up and tear down for each answer, which measured three times
// slower on a memory-backed store with small pages. A file that cannot be sent that way (EINVAL, ENOSYS
// before the first byte) is read and sent in pieces.
bool sendFile(SocketStream& stream, const HttpResponse::FileBody& file) {
    constexpr std::uint64_t piece = 4 << 20;
    off_t offset = 0;
    std::uint64_t left = file.size;
    while (left > 0) {
        const ssize_t sent = retried([&] {
            return ::sendfile(stream.fd(), file.fd->get(), &offset,
                              static_cast<std::size_t>(std::min(left, piece)));
        });
        if (sent < 0 && (errno == EINVAL || errno == ENOSYS) && offset == 0) {
            return readAndSend(stream, file);
        }
        if (sent <= 0) {
            return false;
        }
        left -= static_cast<std::uint64_t>(sent);
        if (file.sentBytes) {
            file.sentBytes(static_cast<std::uint64_t>(sent));
        }
    }
    return true;
}

} // namespace

struct HttpServer::Impl {
    struct Route {
        std::string method;
        std::regex pattern;
        Handler handler;
        StreamingHandler streaming;
    };
    struct Accepted {
        int fd;
        sockaddr_storage peer;
    };

    explicit Impl(Options options) : options(options) {}

    Options options;
    std::vector<Route> routes;
    Handler emptyError;
    ExceptionHandler exceptionHandler;
    int listener = -1;

    std::mutex mutex;
    std::condition_variable queued;
    std::deque<Accepted> waiting;
    std::set<int> open; // connections being served, shut down by stop()
    std::atomic<bool> stopping{false};

    void add(const char* method, const std::string& pattern, Handler handler, StreamingHandler streaming) {
        routes.push_back({method, std::regex(pattern), std::move(handler), std::move(streaming)});
    }

    void work();
    void serve(const Accepted& accepted);
    // False when the connection must close after the answer.
    bool answer(SocketStream& stream, const HttpRequest& req, HttpResponse& res, bool keepAlive);
    void dispatch(HttpRequest& req, HttpResponse& res, IncomingBody& body, bool& tooLarge);
};

HttpServer::HttpServer(Options options) : impl_(std::make_unique<Impl>(options)) {}

HttpServer::~HttpServer() {
    stop();
    if (impl_->listener >= 0) {
        ::close(impl_->listener);
    }
}

void HttpServer::get(const std::string& pattern, Handler handler) {
    impl_->add("GET", pattern, std::move(handler), {});
}
void HttpServer::post(const std::string& pattern, Handler handler) {
    impl_->add("POST", pattern, std::move(handler), {});
}
void HttpServer::put(const std::string& pattern, Handler handler) {
    impl_->add("PUT", pattern, std::move(handler), {});
}
void HttpServer::del(const std::string& pattern, Handler handler) {
    impl_->add("DELETE", pattern, std::move(handler), {});
}
void HttpServer::putStreaming(const std::string& pattern, StreamingHandler handler) {
    impl_->add("PUT", pattern, {}, std::move(handler));
}
void HttpServer::setEmptyErrorHandler(Handler handler) {
    impl_->emptyError = std::move(handler);
}
void HttpServer::setExceptionHandler(ExceptionHandler handler) {
    impl_->exceptionHandler = std::move(handler);
}

int HttpServer::bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return -1;
    }
    int bound = -1;
    for (auto* candidate = found; candidate != nullptr && bound < 0; candidate = candidate->ai_next) {
        const int fd =
            ::socket(candidate->ai_family, candidate->ai_socktype | SOCK_CLOEXEC, candidate->ai_protocol);
        if (fd < 0) {
            continue;
        }
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, candidate->ai_addr, candidate->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0) {
            bound = fd;
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    if (bound < 0) {
        return -1;
    }
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    ::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length);
    impl_->listener = bound;
    return addressOf(address).second;
}

void HttpServer::run() {
    auto& impl = *impl_;
    if (impl.listener < 0) {
        return;
    }
    std::vector<std::thread> workers;
    for (int i = 0; i < std::max(1, impl.options.threads); ++i) {
        workers.emplace_back([&impl] { impl.work(); });
    }
    while (!impl.stopping) {
        Impl::Accepted accepted{};
        socklen_t length = sizeof accepted.peer;
        accepted.fd =
            ::accept4(impl.listener, reinterpret_cast<sockaddr*>(&accepted.peer), &length, SOCK_CLOEXEC);
        if (accepted.fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        std::lock_guard lock(impl.mutex);
        if (impl.stopping) {
            ::close(accepted.fd);
            break;
        }
        impl.waiting.push_back(accepted);
        impl.queued.notify_one();
    }
    impl.queued.notify_all();
    for (auto& worker : workers) {
        worker.join();
    }
    for (const auto& left : impl.waiting) {
        ::close(left.fd);
    }
    impl.waiting.clear();
}

void HttpServer::stop() {
    auto& impl = *impl_;
    std::lock_guard lock(impl.mutex);
    impl.stopping = true;
    if (impl.listener >= 0) {
        ::shutdown(impl.listener, SHUT_RDWR);
    }
    for (const int fd : impl.open) {
        ::shutdown(fd, SHUT_RDWR);
    }
    impl.queued.notify_all();
}

void HttpServer::Impl::work() {
    // sendfile has no MSG_NOSIGNAL: a peer that left must end its answer with EPIPE, not end the process the
    // portal runs in. Blocked for this thread only.
    sigset_t blocked;
    ::sigemptyset(&blocked);
    ::sigaddset(&blocked, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
    for (;;) {
        Accepted next{};
        {
            std::unique_lock lock(mutex);
            queued.wait(lock, [this] { return stopping || !waiting.empty(); });
            if (stopping) {
                return;
            }
            next = waiting.front();
            waiting.pop_front();
            open.insert(next.fd);
        }
        serve(next);
        std::lock_guard lock(mutex);
        open.erase(next.fd);
        ::close(next.fd);
    }
}

void HttpServer::Impl::serve(const Accepted& accepted) {
    const int fd = accepted.fd;
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    const timeval io{options.ioSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &io, sizeof io);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &io, sizeof io);
    const auto [remoteAddr, remotePort] = addressOf(accepted.peer);
    sockaddr_storage local{};
    socklen_t localLength = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength);
    const auto [localAddr, localPort] = addressOf(local);

    SocketStream stream(fd);
    boost::beast::flat_buffer buffer;
    std::vector<char> piece;
    while (!stopping) {
        if (buffer.size() == 0) {
            pollfd idle{fd, POLLIN, 0};
            if (::poll(&idle, 1, options.idleSeconds * 1000) <= 0) {
                return;
            }
        }
        http::request_parser<http::buffer_body> parser;
        parser.header_limit(64 * 1024);
        // Limits are the routes' to enforce, with the answers the portal gives.
        parser.body_limit(std::numeric_limits<std::uint64_t>::max());
        error_code ec;
        http::read_header(stream, buffer, parser, ec);
        if (ec) {
            if (ec != http::error::end_of_stream && ec != net::error::eof && ec != net::error::timed_out &&
                ec.category() != boost::system::system_category()) {
                HttpRequest none;
                HttpResponse refused;
                refused.status = 400;
                answer(stream, none, refused, false);
            }
            return;
        }
        const auto& head = parser.get();
        HttpRequest req;
        req.method = std::string(head.method_string());
        parseTarget(std::string_view(head.target().data(), head.target().size()), req);
        for (const auto& field : head) {
            req.headers.emplace(std::string(field.name_string()), std::string(field.value()));
        }
        req.remoteAddr = remoteAddr;
        req.remotePort = remotePort;
        req.headers.emplace("REMOTE_ADDR", remoteAddr);
        req.headers.emplace("REMOTE_PORT", std::to_string(remotePort));
        req.headers.emplace("LOCAL_ADDR", localAddr);
        req.headers.emplace("LOCAL_PORT", std::to_string(localPort));
        bool keepAlive = head.keep_alive();
        if (!parser.is_done() && boost::beast::iequals(head[http::field::expect], "100-continue")) {
            static constexpr char goOn[] = "HTTP/1.1 100 Continue\r\n\r\n";
            if (!stream.sendAll(goOn, sizeof goOn - 1)) {
                return;
            }
        }

        IncomingBody body(stream, buffer, parser, piece);
        HttpResponse res;
        bool tooLarge = false;
        dispatch(req, res, body, tooLarge);
        if (!body.complete() || tooLarge) {
            // What is left of the body would be read as the next request.
            keepAlive = false;
        }
        if (!answer(stream, req, res, keepAlive)) {
            return;
        }
    }
}

void HttpServer::Impl::dispatch(HttpRequest& req, HttpResponse& res, IncomingBody& body, bool& tooLarge) {
    const std::string method = req.method == "HEAD" ? "GET" : req.method;
    static const std::set<std::string> known{"GET", "HEAD", "POST", "PUT", "DELETE", "OPTIONS", "PATCH"};
    try {
        if (known.count(req.method) == 0) {
            res.status = 400;
            return;
        }
        std::smatch match;
        for (const auto& route : routes) {
            if (route.streaming && route.method == method &&
                std::regex_match(req.path, match, route.pattern)) {
                req.matches.assign(match.begin(), match.end());
                route.streaming(req, res,
                                [&body](const BodyReceiver& receiver) { return body.read(receiver); });
                break;
            }
        }
        if (req.matches.empty()) {
            if (body.declared() > options.maxBodyBytes) {
                tooLarge = true;
                res.status = 413;
                return;
            }
            std::string content;
            const bool read = body.read([&](const char* data, std::size_t size) {
                if (content.size() + size > options.maxBodyBytes) {
                    tooLarge = true;
                    return false;
                }
                content.append(data, size);
                return true;
            });
            if (!read) {
                res.status = tooLarge ? 413 : 400;
                return;
            }
            req.body = std::move(content);
            for (const auto& route : routes) {
                if (route.handler && route.method == method &&
                    std::regex_match(req.path, match, route.pattern)) {
                    req.matches.assign(match.begin(), match.end());
                    route.handler(req, res);
                    break;
                }
            }
            if (req.matches.empty()) {
                res.status = 404;
            }
        }
        if (res.status == -1) {
            res.status = 200;
        }
    } catch (const std::exception& error) {
        res = HttpResponse{};
        res.status = 500;
        if (exceptionHandler) {
            exceptionHandler(res, error.what());
        }
    }
    if ((res.status == 404 || res.status == 405) && res.body.empty() && !res.file && !res.brokenBodySize &&
        emptyError) {
        emptyError(req, res);
    }
}

bool HttpServer::Impl::answer(SocketStream& stream, const HttpRequest& req, HttpResponse& res,
                              bool keepAlive) {
    if (boost::beast::iequals(res.header("Connection"), "close")) {
        keepAlive = false;
    }
    const bool broken = res.brokenBodySize.has_value();
    const bool noBody = bodyless(res.status);
    const std::uint64_t length = broken ? *res.brokenBodySize : res.file ? res.file->size : res.body.size();
    http::response<http::string_body> head;
    head.version(11);
    head.result(static_cast<unsigned>(res.status));
    head.reason(reasonOf(res.status));
    for (const auto& [name, value] : res.headers) {
        if (!boost::beast::iequals(name, "Connection") && !boost::beast::iequals(name, "Content-Length")) {
            head.insert(name, value);
        }
    }
    if (!noBody) {
        head.set(http::field::content_length, std::to_string(length));
    }
    head.set(http::field::connection, keepAlive && !broken ? "keep-alive" : "close");
    const bool sendBody = !noBody && req.method != "HEAD";
    if (sendBody && !res.file && !broken) {
        head.body() = std::move(res.body);
    }
    error_code ec;
    http::response_serializer<http::string_body> serializer(head);
    http::write(stream, serializer, ec);
    if (ec || broken) {
        return false;
    }
    if (sendBody && res.file) {
        return sendFile(stream, *res.file) && keepAlive;
    }
    return keepAlive;
}

} // namespace keldra::localportal
