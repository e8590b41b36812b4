#include "tests/support/LocalPortal.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <random>
#include <signal.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace keldra::test {

namespace {

std::runtime_error controlFailure(const std::string& what, const httplib::Result& result) {
    if (!result) {
        return std::runtime_error("local portal control " + what + ": " + httplib::to_string(result.error()));
    }
    return std::runtime_error("local portal control " + what + ": HTTP " + std::to_string(result->status) +
                              " " + result->body);
}

nlohmann::json parsed(const std::string& what, const httplib::Result& result) {
    if (!result || result->status < 200 || result->status > 299) {
        throw controlFailure(what, result);
    }
    if (result->body.empty()) {
        return nlohmann::json::object();
    }
    return nlohmann::json::parse(result->body);
}

std::filesystem::path freshTempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        auto path =
            base / ("keldra-localportal-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            return path;
        }
    }
}

} // namespace

nlohmann::json LocalPortalControl::get(const std::string& path) {
    httplib::Client client(baseUrl_);
    client.set_read_timeout(60, 0);
    return parsed("GET " + path, client.Get(path.c_str()));
}

nlohmann::json LocalPortalControl::post(const std::string& path, const nlohmann::json& body) {
    httplib::Client client(baseUrl_);
    client.set_read_timeout(60, 0);
    return parsed("POST " + path, client.Post(path.c_str(), body.dump(), "application/json"));
}

nlohmann::json LocalPortalControl::createAccount(const nlohmann::json& entry) {
    return post("/_control/accounts", entry);
}

nlohmann::json LocalPortalControl::updateAccount(const nlohmann::json& entry) {
    return post("/_control/accounts/update", entry);
}

std::string LocalPortalControl::issueToken(const std::string& email) {
    return post("/_control/accounts/token", {{"email", email}}).at("token").get<std::string>();
}

void LocalPortalControl::expireTokens(const std::string& email) {
    post("/_control/accounts/expire-tokens", {{"email", email}});
}

void LocalPortalControl::setCountry(const std::optional<std::string>& country) {
    post("/_control/country", {{"country", country ? nlohmann::json(*country) : nlohmann::json()}});
}

nlohmann::json LocalPortalControl::setSettings(const nlohmann::json& settings) {
    return post("/_control/settings", settings);
}

void LocalPortalControl::addFault(const nlohmann::json& fault) {
    post("/_control/faults", fault);
}

void LocalPortalControl::clearFaults() {
    httplib::Client client(baseUrl_);
    parsed("DELETE /_control/faults", client.Delete("/_control/faults"));
}

nlohmann::json LocalPortalControl::stats() {
    return get("/_control/stats");
}

std::int64_t LocalPortalControl::requestCount(const std::string& endpoint) {
    const auto counts = stats().at("requests");
    return counts.contains(endpoint) ? counts[endpoint].get<std::int64_t>() : 0;
}

nlohmann::json LocalPortalControl::requests(const std::string& endpoint) {
    return get("/_control/requests" + (endpoint.empty() ? std::string() : "?endpoint=" + endpoint))
        .at("requests");
}

void LocalPortalControl::resetStats() {
    httplib::Client client(baseUrl_);
    parsed("DELETE /_control/stats", client.Delete("/_control/stats"));
}

nlohmann::json LocalPortalControl::files(const std::optional<std::string>& email, bool withHash) {
    std::string path = "/_control/files";
    httplib::Params params;
    if (email) {
        params.emplace("email", *email);
    }
    if (withHash) {
        params.emplace("hash", "1");
    }
    if (!params.empty()) {
        path = httplib::append_query_params(path, params);
    }
    return get(path).at("files");
}

std::string LocalPortalControl::object(const std::string& s3Key) {
    httplib::Client client(baseUrl_);
    client.set_read_timeout(120, 0);
    auto result = client.Get(("/_control/objects/" + s3Key).c_str());
    if (!result || result->status != 200) {
        throw controlFailure("object " + s3Key, result);
    }
    return result->body;
}

nlohmann::json LocalPortalControl::seedFile(const nlohmann::json& entry) {
    return post("/_control/files", entry);
}

nlohmann::json LocalPortalControl::seedFiles(const std::string& email, const nlohmann::json& entries) {
    return post("/_control/files", {{"email", email}, {"files", entries}}).at("files");
}

nlohmann::json LocalPortalControl::createFolder(const std::string& email, const std::string& name,
                                                std::optional<std::int64_t> parentId) {
    return post("/_control/folders",
                {{"email", email},
                 {"name", name},
                 {"parent_id", parentId ? nlohmann::json(*parentId) : nlohmann::json()}});
}

void LocalPortalControl::deleteFolder(const std::string& email, std::int64_t folderId) {
    post("/_control/folders/delete", {{"email", email}, {"folder_id", folderId}});
}

void LocalPortalControl::reset() {
    post("/_control/reset", nlohmann::json::object());
}

std::filesystem::path LocalPortal::programPath() {
    if (const char* custom = std::getenv("KELDRA_LOCALPORTAL")) {
        return custom;
    }
    return std::filesystem::path(KELDRA_BINARY_DIR) / "localportal" / "keldra-localportal";
}

LocalPortal::LocalPortal() : LocalPortal(Options{}) {}

LocalPortal::LocalPortal(Options options) : options_(std::move(options)) {
    if (options_.dataDir.empty()) {
        dataDir_ = freshTempDir();
        ownsDataDir_ = true;
    } else {
        dataDir_ = options_.dataDir;
    }
    start(0);
}

LocalPortal::~LocalPortal() {
    stop();
    if (ownsDataDir_) {
        std::error_code ignored;
        std::filesystem::remove_all(dataDir_, ignored);
    }
}

void LocalPortal::start(int port) {
    std::vector<std::string> arguments{programPath().string(), "--data", dataDir_.string(), "--listen",
                                       "127.0.0.1:" + std::to_string(port)};
    if (options_.latencyMs > 0) {
        arguments.insert(arguments.end(), {"--latency-ms", std::to_string(options_.latencyMs)});
    }
    arguments.insert(arguments.end(), options_.extraArguments.begin(), options_.extraArguments.end());
    std::vector<char*> argv;
    for (auto& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        throw std::runtime_error("local portal: pipe failed");
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw std::runtime_error("local portal: fork failed");
    }
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec. The portal dies with the test process.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    pid_ = pid;

    // Read the "url ..." line the portal prints once it listens.
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    auto urlLine = [&output]() -> std::optional<std::string> {
        std::size_t start = 0;
        for (std::size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
            if (output.compare(start, 4, "url ") == 0) {
                return output.substr(start + 4, end - start - 4);
            }
        }
        return std::nullopt;
    };
    while (!urlLine()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd waiting{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) {
            ::close(pipeFds[0]);
            stop();
            throw std::runtime_error("local portal did not start: " + output);
        }
        char buffer[512];
        const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
        if (got <= 0) {
            ::close(pipeFds[0]);
            stop();
            throw std::runtime_error("local portal exited at start (" + programPath().string() +
                                     "): " + output);
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    baseUrl_ = *urlLine();
    port_ = std::stoi(baseUrl_.substr(baseUrl_.rfind(':') + 1));
    control_ = std::make_unique<LocalPortalControl>(baseUrl_);
}

void LocalPortal::stop() {
    if (pid_ <= 0) {
        return;
    }
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

void LocalPortal::restart() {
    stop();
    start(port_);
}

} // namespace keldra::test
