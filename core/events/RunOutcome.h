#pragma once

#include "core/events/BlockReason.h"

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace keldra {

// How a cloud run ended.
class RunOutcome {
public:
    struct CompletedWithFailures {
        int64_t failed = 0;
        friend bool operator==(const CompletedWithFailures&, const CompletedWithFailures&) = default;
    };
    // The mass-change guard paused the run for the user's review.
    struct MassChangeReview {
        int64_t changed = 0;
        int64_t removed = 0;
        int64_t protectedCount = 0;
        friend bool operator==(const MassChangeReview&, const MassChangeReview&) = default;
    };
    // Many files the index lists as backed up are missing from the service's listing; paused for review.
    struct KeldraMismatch {
        int64_t missing = 0;
        int64_t protectedCount = 0;
        friend bool operator==(const KeldraMismatch&, const KeldraMismatch&) = default;
    };
    struct Blocked {
        BlockReason reason;
        friend bool operator==(const Blocked&, const Blocked&) = default;
    };
    struct Failed {
        std::string message;
        friend bool operator==(const Failed&, const Failed&) = default;
    };
    struct Completed {
        friend bool operator==(const Completed&, const Completed&) = default;
    };
    struct Cancelled {
        friend bool operator==(const Cancelled&, const Cancelled&) = default;
    };
    // The key does not open what is stored.
    struct KeyMismatch {
        friend bool operator==(const KeyMismatch&, const KeyMismatch&) = default;
    };
    struct VerifierMissing {
        friend bool operator==(const VerifierMissing&, const VerifierMissing&) = default;
    };
    struct DeviceFolderMissing {
        friend bool operator==(const DeviceFolderMissing&, const DeviceFolderMissing&) = default;
    };

    using Value = std::variant<CompletedWithFailures, MassChangeReview, KeldraMismatch, Blocked, Failed,
                               Completed, Cancelled, KeyMismatch, VerifierMissing, DeviceFolderMissing>;

    // Implicit from any case, so `return NoPlan{};` reads naturally.
    template <typename Case>
    requires std::is_constructible_v<Value, Case&&> RunOutcome(Case&& value)
        : value_(std::forward<Case>(value)) {} // NOLINT(google-explicit-constructor)

    static RunOutcome completedWithFailures(int64_t failed) { return CompletedWithFailures{failed}; }
    static RunOutcome massChangeReview(int64_t changed, int64_t removed, int64_t protectedCount) {
        return MassChangeReview{changed, removed, protectedCount};
    }
    static RunOutcome keldraMismatch(int64_t missing, int64_t protectedCount) {
        return KeldraMismatch{missing, protectedCount};
    }
    static RunOutcome blocked(BlockReason reason) { return Blocked{std::move(reason)}; }
    static RunOutcome failed(std::string message) { return Failed{std::move(message)}; }
    static RunOutcome completed() { return Completed{}; }
    static RunOutcome cancelled() { return Cancelled{}; }
    static RunOutcome keyMismatch() { return KeyMismatch{}; }
    static RunOutcome verifierMissing() { return VerifierMissing{}; }
    static RunOutcome deviceFolderMissing() { return DeviceFolderMissing{}; }

    const Value& value() const { return value_; }
    template <typename Case> bool is() const { return std::holds_alternative<Case>(value_); }
    template <typename Case> const Case* get() const { return std::get_if<Case>(&value_); }

    friend bool operator==(const RunOutcome&, const RunOutcome&) = default;

private:
    Value value_;
};

} // namespace keldra
