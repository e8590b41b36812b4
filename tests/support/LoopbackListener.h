#pragma once
// A listening TCP socket on 127.0.0.1 at a port the kernel picks, for tests that play a raw HTTP peer.
// Closing it (or shutDown) wakes an accept() blocked on it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace keldra::test {

class LoopbackListener {
public:
    LoopbackListener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        ::listen(fd_, 8);
    }
    ~LoopbackListener() { ::close(fd_); }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // The next connection, or -1 once the listener was shut down.
    int accept() const { return ::accept(fd_, nullptr, nullptr); }
    void shutDown() const { ::shutdown(fd_, SHUT_RDWR); }
    // An address on this listener.
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    int fd_;
    int port_ = 0;
};

} // namespace keldra::test
