#include "core/platform/NetworkMonitor.h"
#include "platform/network/NetlinkNetworkMonitor.h"
#include "platform/network/RouteSnapshot.h"

#include <condition_variable>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <mutex>
#include <sstream>

namespace keldra {
namespace {

// Holds dispatched work until the test runs it, as a UI thread would later.
struct QueueDispatcher {
    std::vector<std::function<void()>> pending;
    NetworkMonitor::Dispatcher dispatcher() {
        return [this](std::function<void()> work) {
            pending.push_back(std::move(work));
        };
    }
    void runAll() {
        auto work = std::move(pending);
        pending.clear();
        for (auto& item : work) {
            item();
        }
    }
};

TEST(NetworkMonitor, PathChangeOnEveryUpdateAndChangeOnlyWhenTheStateFlips) {
    QueueDispatcher queue;
    NetworkMonitor monitor(queue.dispatcher());
    std::vector<std::string> calls;
    monitor.setOnPathChange([&] { calls.push_back("path"); });
    monitor.setOnChange([&](bool online) { calls.push_back(online ? "online" : "offline"); });
    EXPECT_TRUE(monitor.isOnline());

    monitor.pathUpdated(true);
    EXPECT_TRUE(calls.empty()) << "callbacks run only through the dispatcher";
    queue.runAll();
    EXPECT_EQ(calls, (std::vector<std::string>{"path"}));

    monitor.pathUpdated(false);
    monitor.pathUpdated(false);
    monitor.pathUpdated(true);
    queue.runAll();
    EXPECT_EQ(calls, (std::vector<std::string>{"path", "path", "offline", "path", "path", "online"}));
    EXPECT_TRUE(monitor.isOnline());
}

TEST(NetworkMonitor, UpdatesThatArriveAfterTheMonitorIsGoneCallNothing) {
    QueueDispatcher queue;
    int calls = 0;
    {
        NetworkMonitor monitor(queue.dispatcher());
        monitor.setOnPathChange([&] { ++calls; });
        monitor.setOnChange([&](bool) { ++calls; });
        monitor.pathUpdated(false);
    }
    queue.runAll();
    EXPECT_EQ(calls, 0);

    // Released from inside its own path callback: the change callback is not called any more.
    auto owned = std::make_unique<NetworkMonitor>(queue.dispatcher());
    owned->setOnPathChange([&] { owned.reset(); });
    owned->setOnChange([&](bool) { ++calls; });
    owned->pathUpdated(false);
    queue.runAll();
    EXPECT_EQ(owned, nullptr);
    EXPECT_EQ(calls, 0);
}

TEST(RouteSnapshot, OnlineNeedsADefaultRouteThroughAnUpNonLoopbackLink) {
    constexpr unsigned up = IFF_UP | IFF_RUNNING;
    struct Case {
        const char* what;
        std::vector<std::pair<int, unsigned>> links;
        std::vector<std::vector<int>> routes;
        bool online;
    };
    const std::vector<Case> cases{
        {"nothing", {}, {}, false},
        {"wired with default route", {{1, up | IFF_LOOPBACK}, {2, up}}, {{2}}, true},
        {"link up, no default route", {{2, up}}, {}, false},
        {"default route through loopback", {{1, up | IFF_LOOPBACK}}, {{1}}, false},
        {"cable out (up, not running)", {{2, IFF_UP}}, {{2}}, false},
        {"route to a link that is gone", {{2, up}}, {{7}}, false},
        {"multipath with one live hop", {{2, IFF_UP}, {3, up}}, {{2, 3}}, true},
        {"second default route is live", {{2, IFF_UP}, {3, up}}, {{2}, {3}}, true},
    };
    for (const auto& c : cases) {
        RouteSnapshot snapshot;
        for (const auto& [index, flags] : c.links) {
            snapshot.addLink(index, flags);
        }
        for (const auto& route : c.routes) {
            snapshot.addDefaultRoute(route);
        }
        EXPECT_EQ(snapshot.isOnline(), c.online) << c.what;
    }
}

// Builds rtnetlink messages as the kernel sends them in a dump.
class MessageBuffer {
public:
    void link(int index, unsigned flags) {
        ifinfomsg body{};
        body.ifi_family = AF_UNSPEC;
        body.ifi_index = index;
        body.ifi_flags = flags;
        append(RTM_NEWLINK, &body, sizeof body, {});
    }
    void route(uint8_t dstLen, uint8_t table, uint8_t type, std::vector<int> oifs, bool multipath) {
        rtmsg body{};
        body.rtm_family = AF_INET;
        body.rtm_dst_len = dstLen;
        body.rtm_table = table;
        body.rtm_type = type;
        std::string attributes;
        if (multipath) {
            std::string hops;
            for (const int oif : oifs) {
                rtnexthop hop{};
                hop.rtnh_len = sizeof hop;
                hop.rtnh_ifindex = oif;
                hops.append(reinterpret_cast<const char*>(&hop), RTNH_ALIGN(sizeof hop));
            }
            attributes += attribute(RTA_MULTIPATH, hops);
        } else {
            for (const int oif : oifs) {
                attributes +=
                    attribute(RTA_OIF, std::string(reinterpret_cast<const char*>(&oif), sizeof oif));
            }
        }
        append(RTM_NEWROUTE, &body, sizeof body, attributes);
    }
    void truncatedRoute() {
        nlmsghdr header{};
        header.nlmsg_len = NLMSG_LENGTH(2);
        header.nlmsg_type = RTM_NEWROUTE;
        bytes_.append(reinterpret_cast<const char*>(&header), sizeof header);
        bytes_.append(NLMSG_ALIGN(2), '\0');
    }
    const std::string& bytes() const { return bytes_; }

private:
    static std::string attribute(unsigned short type, const std::string& payload) {
        rtattr header{};
        header.rta_len = static_cast<unsigned short>(RTA_LENGTH(payload.size()));
        header.rta_type = type;
        std::string out(reinterpret_cast<const char*>(&header), sizeof header);
        out += payload;
        out.resize(RTA_ALIGN(out.size()), '\0');
        return out;
    }
    void append(uint16_t type, const void* body, size_t size, const std::string& attributes) {
        nlmsghdr header{};
        header.nlmsg_len = static_cast<uint32_t>(NLMSG_LENGTH(NLMSG_ALIGN(size) + attributes.size()));
        header.nlmsg_type = type;
        header.nlmsg_flags = NLM_F_MULTI;
        std::string message(reinterpret_cast<const char*>(&header), sizeof header);
        message.append(static_cast<const char*>(body), size);
        message.resize(NLMSG_HDRLEN + NLMSG_ALIGN(size), '\0');
        message += attributes;
        message.resize(NLMSG_ALIGN(message.size()), '\0');
        bytes_ += message;
    }
    std::string bytes_;
};

TEST(RouteSnapshot, ReadsLinkAndRouteDumps) {
    constexpr unsigned up = IFF_UP | IFF_RUNNING;
    {
        MessageBuffer dump;
        dump.link(1, up | IFF_LOOPBACK);
        dump.link(4, up);
        dump.route(24, RT_TABLE_MAIN, RTN_UNICAST, {4}, false); // the local subnet is not a way out
        dump.route(0, RT_TABLE_LOCAL, RTN_UNICAST, {4}, false);
        dump.route(0, RT_TABLE_MAIN, RTN_UNREACHABLE, {4}, false);
        RouteSnapshot snapshot;
        snapshot.absorb(dump.bytes().data(), dump.bytes().size());
        EXPECT_FALSE(snapshot.isOnline());
        MessageBuffer more;
        more.truncatedRoute();
        more.route(0, RT_TABLE_MAIN, RTN_UNICAST, {4}, false);
        snapshot.absorb(more.bytes().data(), more.bytes().size());
        EXPECT_TRUE(snapshot.isOnline());
    }
    {
        MessageBuffer dump;
        dump.link(2, IFF_UP);
        dump.link(3, up);
        dump.route(0, RT_TABLE_MAIN, RTN_UNICAST, {2, 3}, true);
        RouteSnapshot snapshot;
        snapshot.absorb(dump.bytes().data(), dump.bytes().size());
        EXPECT_TRUE(snapshot.isOnline());
    }
    {
        MessageBuffer dump;
        dump.link(2, IFF_UP);
        dump.route(0, RT_TABLE_MAIN, RTN_UNICAST, {2}, true);
        RouteSnapshot snapshot;
        // A cut-off buffer is read as far as it is whole.
        snapshot.absorb(dump.bytes().data(), dump.bytes().size() - 3);
        EXPECT_FALSE(snapshot.isOnline());
    }
}

// What the kernel's IPv4 table says, to compare the live monitor with.
bool hasLiveDefaultRoute() {
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string destination;
        fields >> name >> destination;
        if (destination == "00000000" && name != "lo") {
            std::ifstream state("/sys/class/net/" + name + "/operstate");
            std::string operstate;
            state >> operstate;
            if (operstate == "up" || operstate == "unknown") {
                return true;
            }
        }
    }
    return false;
}

TEST(NetlinkNetworkMonitor, ReportsTheCurrentStateOnceStarted) {
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<std::function<void()>> pending;
    {
        NetlinkNetworkMonitor monitor([&](std::function<void()> work) {
            std::lock_guard guard(lock);
            pending.push_back(std::move(work));
            arrived.notify_all();
        });
        int paths = 0;
        monitor.setOnPathChange([&] { ++paths; });
        std::unique_lock guard(lock);
        ASSERT_TRUE(arrived.wait_for(guard, std::chrono::seconds(10), [&] { return !pending.empty(); }));
        auto work = std::move(pending.front());
        guard.unlock();
        work();
        EXPECT_EQ(paths, 1);
        if (hasLiveDefaultRoute()) {
            EXPECT_TRUE(monitor.isOnline());
        }
    }
    // Stopping joined the thread: nothing more is dispatched.
    const size_t after = pending.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(pending.size(), after);
}

} // namespace
} // namespace keldra
