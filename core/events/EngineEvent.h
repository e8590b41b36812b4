#pragma once

#include "core/events/LogLine.h"
#include "core/events/RunProgress.h"

#include <functional>
#include <memory>
#include <variant>

namespace keldra {

// The portal's account and storage status. Its definition belongs to the service layer; the core only
// carries it from an engine to its caller, so a declaration is all it needs.
struct KeldraStatus;

// What an engine hands to its caller while it runs.
struct EngineEvent {
    struct Progress {
        RunProgress progress;
    };
    struct Log {
        LogLine line;
    };
    // The status as just refreshed; never null.
    struct Status {
        std::shared_ptr<const KeldraStatus> status;
    };
    // The service refused an upload because storage is full.
    struct StorageFull {};

    std::variant<Progress, Log, Status, StorageFull> value;

    static EngineEvent progress(RunProgress progress) { return {Progress{std::move(progress)}}; }
    static EngineEvent log(LogLine line) { return {Log{std::move(line)}}; }
    static EngineEvent status(std::shared_ptr<const KeldraStatus> status) {
        return {Status{std::move(status)}};
    }
    static EngineEvent storageFull() { return {StorageFull{}}; }

    template <typename Case> const Case* get() const { return std::get_if<Case>(&value); }
};

// Called synchronously on the engine's thread for every event, in order.
using EngineEventHandler = std::function<void(const EngineEvent&)>;

} // namespace keldra
