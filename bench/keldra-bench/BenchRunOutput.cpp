#include "BenchRunOutput.h"

#include "core/Error.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <sys/resource.h>

namespace keldra::bench {
namespace {

const char* toneName(LogLine::Tone tone) {
    switch (tone) {
    case LogLine::Tone::info:
        return "info";
    case LogLine::Tone::ok:
        return "ok";
    case LogLine::Tone::warning:
        return "warning";
    case LogLine::Tone::error:
        return "error";
    }
    return "info";
}

std::int64_t peakMemoryBytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::int64_t>(usage.ru_maxrss) * 1024;
}

void printJson(nlohmann::json line, double seconds) {
    line["seconds"] = seconds;
    line["peak_memory_bytes"] = peakMemoryBytes();
    std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
}

} // namespace

void StderrLogger::log(std::string_view message) {
    std::cerr << "[Keldra] " << message << '\n';
}

StopOnSignal::StopOnSignal(CancelSource& source) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    watcher_ = std::jthread([this, &source](std::stop_token stop) {
        const timespec tick{0, 200'000'000};
        while (!stop.stop_requested()) {
            if (sigtimedwait(&signals_, nullptr, &tick) > 0) {
                source.request_stop();
                return;
            }
        }
    });
}

void printLogEvent(const EngineEvent& event) {
    if (const auto* log = event.get<EngineEvent::Log>()) {
        std::cout << toneName(log->line.tone) << ": " << log->line.text << std::endl;
    }
}

int reportRun(const RunRecord& record, double seconds) {
    printJson({{"status", std::string(runStatusRawValue(record.status))},
               {"message", record.message.value_or("")},
               {"scanned", record.scanned},
               {"uploaded", record.uploaded},
               {"uploaded_bytes", record.uploadedBytes},
               {"skipped", record.skipped},
               {"failed", record.failed},
               {"removed", record.removed}},
              seconds);
    const bool ended = record.status == RunStatus::succeeded || record.status == RunStatus::partial;
    return ended ? 0 : 1;
}

int reportNoRun(const std::string& status, const std::string& message, double seconds, int exitStatus) {
    printJson({{"status", status}, {"message", message}}, seconds);
    return exitStatus;
}

int reportError(const std::exception& error, double seconds) {
    const auto* own = dynamic_cast<const Error*>(&error);
    return reportNoRun("error", own ? own->message() : std::string(error.what()), seconds, 2);
}

} // namespace keldra::bench
