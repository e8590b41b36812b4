#pragma once

#include "core/events/EngineEvent.h"
#include "core/index/IndexRows.h"
#include "core/seams/CancelToken.h"
#include "core/seams/Logger.h"

#include <chrono>
#include <csignal>
#include <exception>
#include <string>
#include <string_view>
#include <thread>

namespace keldra::bench {

// What every subcommand shares: standard output holds only the run (its log lines, then one JSON line);
// diagnostics of the index and the client go to standard error.
class StderrLogger final : public Logger {
public:
    void log(std::string_view message) override;
};

// SIGINT and SIGTERM stop the run the way the app's Stop button does; SIGKILL (the crash test) cannot be
// caught.
class StopOnSignal {
public:
    explicit StopOnSignal(CancelSource& source);

private:
    sigset_t signals_{};
    std::jthread watcher_;
};

class Stopwatch {
public:
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    }

private:
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// Prints a log event as "<tone>: <text>"; other events are not printed.
void printLogEvent(const EngineEvent& event);

// The final JSON line of a run that ended; exit status 0 when it succeeded or was partial, else 1.
int reportRun(const RunRecord& record, double seconds);

// The final JSON line when nothing ran, with the given status word and message; returns `exitStatus`.
int reportNoRun(const std::string& status, const std::string& message, double seconds, int exitStatus);

// The final JSON line when the run could not start; exit status 2.
int reportError(const std::exception& error, double seconds);

} // namespace keldra::bench
