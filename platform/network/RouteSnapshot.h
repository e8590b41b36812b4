#pragma once

#include <cstddef>
#include <map>
#include <vector>

namespace keldra {

// The links and default routes the kernel reported in one rtnetlink dump, and what they mean for
// reachability.
class RouteSnapshot {
public:
    // Takes in every link and route message of a buffer read from a NETLINK_ROUTE socket; other messages and
    // malformed ones are ignored.
    void absorb(const void* data, size_t length);

    void addLink(int index, unsigned flags) { linkFlags_[index] = flags; }
    // A default route (destination length 0) through the given output links.
    void addDefaultRoute(std::vector<int> outputLinks) { defaultRoutes_.push_back(std::move(outputLinks)); }

    // Online: some default route leaves through a link that is up, running and not the loopback.
    bool isOnline() const;

private:
    std::map<int, unsigned> linkFlags_;
    std::vector<std::vector<int>> defaultRoutes_;
};

} // namespace keldra
