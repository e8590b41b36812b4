#pragma once

#include "localportal/PortalServer.h"

#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace keldra::bench {

// A local portal served from this process in its benchmark mode (`keldra-localportal --no-fsync`: bodies
// are not flushed, the request limit is out of the way), on a scratch folder in memory-backed storage when
// there is some, so that the disk is not what is measured. Stopped and its folder removed when it goes.
class BenchPortal {
public:
    explicit BenchPortal(const std::string& name)
        : work_(scratchFolder(name)), server_(options(work_)),
          serving_((server_.bind(), std::thread([this] { server_.run(); }))) {}
    ~BenchPortal() {
        server_.stop();
        serving_.join();
        std::error_code ignored;
        std::filesystem::remove_all(work_, ignored);
    }
    BenchPortal(const BenchPortal&) = delete;
    BenchPortal& operator=(const BenchPortal&) = delete;

    static constexpr int requestLimit = 1000000;

    // A folder of the benchmark's own, holding the portal's data folder.
    const std::filesystem::path& work() const { return work_; }
    std::filesystem::path dataDir() const { return work_ / "portal"; }
    std::string baseUrl() const { return server_.baseUrl(); }

private:
    static std::filesystem::path scratchFolder(const std::string& name) {
        const std::filesystem::path scratch =
            std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        auto work = scratch / fmt::format("{}-{}", name, ::getpid());
        std::filesystem::create_directories(work);
        return work;
    }
    static localportal::PortalOptions options(const std::filesystem::path& work) {
        localportal::PortalOptions options;
        options.dataDir = work / "portal";
        options.durable = false;
        options.requestLimit = requestLimit;
        return options;
    }

    std::filesystem::path work_;
    localportal::PortalServer server_;
    std::thread serving_;
};

} // namespace keldra::bench
