#pragma once

#include "core/fs/UniqueFd.h"
#include "core/platform/NetworkMonitor.h"

#include <thread>

namespace keldra {

// Watches the kernel's link and route tables over rtnetlink on a thread of its own. On start and after every
// burst of change messages it takes a fresh dump of links and routes (the kernel does not announce every
// route it drops when a link goes down) and reports the result as one path update.
class NetlinkNetworkMonitor final : public NetworkMonitor {
public:
    explicit NetlinkNetworkMonitor(Dispatcher dispatch);
    ~NetlinkNetworkMonitor() override;

private:
    void watch();

    UniqueFd stopEvent_;
    std::thread thread_;
};

} // namespace keldra
