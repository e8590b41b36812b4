#include "platform/network/NetlinkNetworkMonitor.h"

#include "platform/network/RouteSnapshot.h"

#include <cerrno>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace keldra {

namespace {

UniqueFd routeSocket(unsigned groups) {
    UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
    if (!fd) {
        return fd;
    }
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = groups;
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return UniqueFd();
    }
    return fd;
}

// Sends one dump request and reads its answer to the end. False when the socket fails.
bool dump(int fd, uint16_t type, uint32_t sequence, RouteSnapshot& snapshot) {
    struct {
        nlmsghdr header;
        rtgenmsg body;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(rtgenmsg));
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = sequence;
    request.body.rtgen_family = AF_UNSPEC;
    if (::send(fd, &request, request.header.nlmsg_len, 0) < 0) {
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (received < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        auto remaining = static_cast<unsigned>(received);
        for (auto* header = reinterpret_cast<const nlmsghdr*>(buffer.data()); NLMSG_OK(header, remaining);
             header = NLMSG_NEXT(header, remaining)) {
            if (header->nlmsg_seq != sequence) {
                continue;
            }
            if (header->nlmsg_type == NLMSG_DONE) {
                return true;
            }
            if (header->nlmsg_type == NLMSG_ERROR) {
                return false;
            }
            snapshot.absorb(header, header->nlmsg_len);
        }
    }
}

std::optional<bool> currentState(uint32_t& sequence) {
    const UniqueFd fd = routeSocket(0);
    RouteSnapshot snapshot;
    if (!fd || !dump(fd.get(), RTM_GETLINK, ++sequence, snapshot) ||
        !dump(fd.get(), RTM_GETROUTE, ++sequence, snapshot)) {
        return std::nullopt;
    }
    return snapshot.isOnline();
}

} // namespace

NetlinkNetworkMonitor::NetlinkNetworkMonitor(Dispatcher dispatch)
    : NetworkMonitor(std::move(dispatch)), stopEvent_(::eventfd(0, EFD_CLOEXEC)) {
    thread_ = std::thread([this] { watch(); });
}

NetlinkNetworkMonitor::~NetlinkNetworkMonitor() {
    const uint64_t one = 1;
    if (stopEvent_ && ::write(stopEvent_.get(), &one, sizeof one) < 0) {
        // Without the event the thread cannot be woken; it holds no state that outlives it.
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void NetlinkNetworkMonitor::watch() {
    const UniqueFd changes = routeSocket(RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE);
    if (!changes || !stopEvent_) {
        return; // no rtnetlink here: stay "online" rather than holding backups back
    }
    uint32_t sequence = 0;
    if (const auto online = currentState(sequence)) {
        pathUpdated(*online);
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        pollfd fds[2] = {{changes.get(), POLLIN, 0}, {stopEvent_.get(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            return;
        }
        // Drain the burst (an overrun, ENOBUFS, only means a fresh dump is due anyway).
        for (;;) {
            const ssize_t received = ::recv(changes.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (received == 0 || (received < 0 && errno != ENOBUFS && errno != EINTR)) {
                break;
            }
        }
        if (const auto online = currentState(sequence)) {
            pathUpdated(*online);
        }
    }
}

} // namespace keldra
