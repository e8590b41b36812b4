// keldra-localportal: the local portal for tests, benchmarks and ./run.
#include "core/memory/LargeBufferReuse.h"
#include "localportal/PortalServer.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pthread.h>
#include <string>
#include <thread>

namespace {

void usage() {
    std::cerr
        << "usage: keldra-localportal --data DIR [--listen 127.0.0.1:PORT] [--latency-ms N] [--threads N]\n"
           "                          [--max-object-bytes N] [--no-fsync [--request-limit N]] [--demo]\n";
}

} // namespace

int main(int argc, char** argv) {
    keldra::keepLargeBuffersForReuse();
    keldra::localportal::PortalOptions options;
    bool demo = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        try {
            if (arg == "--data") {
                options.dataDir = value();
            } else if (arg == "--listen") {
                const std::string listen = value();
                const auto colon = listen.rfind(':');
                if (colon == std::string::npos) {
                    usage();
                    return 2;
                }
                options.host = listen.substr(0, colon);
                if (options.host.size() > 2 && options.host.front() == '[' && options.host.back() == ']') {
                    options.host = options.host.substr(1, options.host.size() - 2);
                }
                options.port = std::stoi(listen.substr(colon + 1));
            } else if (arg == "--latency-ms") {
                options.latencyMs = std::stoi(value());
            } else if (arg == "--threads") {
                options.threads = std::max(4, std::stoi(value()));
            } else if (arg == "--max-object-bytes") {
                options.maxObjectBytes = std::stoull(value());
            } else if (arg == "--request-limit") {
                options.requestLimit = std::stoi(value());
            } else if (arg == "--no-fsync") {
                options.durable = false;
            } else if (arg == "--demo") {
                demo = true;
            } else {
                usage();
                return 2;
            }
        } catch (const std::exception&) {
            usage();
            return 2;
        }
    }
    if (options.dataDir.empty()) {
        usage();
        return 2;
    }
    if (!keldra::localportal::PortalServer::isLoopbackHost(options.host)) {
        std::cerr << "keldra-localportal: listens on loopback addresses only (127.0.0.0/8, ::1)\n";
        return 2;
    }
    if (options.requestLimit != keldra::localportal::RequestLimiter::standardLimit && options.durable) {
        std::cerr << "keldra-localportal: --request-limit is for benchmarks only and needs --no-fsync\n";
        return 2;
    }
    if (!options.durable) {
        std::cerr << "keldra-localportal: benchmark mode: stored bodies are not flushed to disk; "
                  << options.requestLimit << " authenticated requests per account in 60 s (the real limit is "
                  << keldra::localportal::RequestLimiter::standardLimit << ")\n";
    }

    // Termination signals are taken by one waiting thread, which stops the server cleanly.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        keldra::localportal::PortalServer server(options);
        server.bind();
        if (demo) {
            const auto [email, password] = server.ensureDemoAccount();
            std::cout << "email " << email << "\npassword " << password << "\n";
        }
        std::cout << "url " << server.baseUrl() << std::endl;
        std::thread waiter([&server, signals] {
            int received = 0;
            sigwait(&signals, &received);
            server.stop();
        });
        server.run();
        // run() also ends when listening fails; wake the waiter so it can be joined.
        pthread_kill(waiter.native_handle(), SIGTERM);
        waiter.join();
    } catch (const std::exception& error) {
        std::cerr << "keldra-localportal: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
