#include "platform/network/RouteSnapshot.h"

#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

namespace keldra {

namespace {

void absorbLink(const nlmsghdr* header, RouteSnapshot& snapshot) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(ifinfomsg))) {
        return;
    }
    const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
    snapshot.addLink(link->ifi_index, link->ifi_flags);
}

void absorbRoute(const nlmsghdr* header, RouteSnapshot& snapshot) {
    if (header->nlmsg_len < NLMSG_LENGTH(sizeof(rtmsg))) {
        return;
    }
    const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
    if (route->rtm_dst_len != 0 || route->rtm_type != RTN_UNICAST || route->rtm_table == RT_TABLE_LOCAL) {
        return;
    }
    std::vector<int> outputs;
    int length = static_cast<int>(RTM_PAYLOAD(header));
    for (auto* attribute = RTM_RTA(route); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type == RTA_OIF && RTA_PAYLOAD(attribute) >= sizeof(int)) {
            outputs.push_back(*static_cast<const int*>(RTA_DATA(attribute)));
        } else if (attribute->rta_type == RTA_MULTIPATH) {
            // Several next hops, each naming its own link.
            auto* hop = static_cast<const rtnexthop*>(RTA_DATA(attribute));
            auto remaining = static_cast<int>(RTA_PAYLOAD(attribute));
            while (RTNH_OK(hop, remaining)) {
                outputs.push_back(hop->rtnh_ifindex);
                remaining -= static_cast<int>(RTNH_ALIGN(hop->rtnh_len));
                hop = RTNH_NEXT(hop);
            }
        }
    }
    snapshot.addDefaultRoute(std::move(outputs));
}

} // namespace

void RouteSnapshot::absorb(const void* data, size_t length) {
    auto remaining = static_cast<unsigned>(length);
    for (auto* header = static_cast<const nlmsghdr*>(data); NLMSG_OK(header, remaining);
         header = NLMSG_NEXT(header, remaining)) {
        if (header->nlmsg_type == RTM_NEWLINK) {
            absorbLink(header, *this);
        } else if (header->nlmsg_type == RTM_NEWROUTE) {
            absorbRoute(header, *this);
        }
    }
}

bool RouteSnapshot::isOnline() const {
    for (const auto& outputs : defaultRoutes_) {
        for (const int index : outputs) {
            const auto link = linkFlags_.find(index);
            if (link == linkFlags_.end()) {
                continue;
            }
            const unsigned flags = link->second;
            if ((flags & IFF_UP) != 0 && (flags & IFF_RUNNING) != 0 && (flags & IFF_LOOPBACK) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace keldra
