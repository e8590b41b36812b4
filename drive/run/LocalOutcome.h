#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace keldra {

// How a drive run ended.
class LocalOutcome {
public:
    struct CompletedWithFailures {
        std::int64_t failed = 0;
        friend bool operator==(const CompletedWithFailures&, const CompletedWithFailures&) = default;
    };
    // The drive is there but cannot be used; the reason is for the user.
    struct Unavailable {
        std::string reason;
        friend bool operator==(const Unavailable&, const Unavailable&) = default;
    };
    // A guard paused the run for the user's review.
    struct MassChangeReview {
        std::int64_t changed = 0;
        std::int64_t removed = 0;
        std::int64_t protectedCount = 0;
        friend bool operator==(const MassChangeReview&, const MassChangeReview&) = default;
    };
    struct Failed {
        std::string message;
        friend bool operator==(const Failed&, const Failed&) = default;
    };
    struct Completed {
        friend bool operator==(const Completed&, const Completed&) = default;
    };
    struct NotConnected {
        friend bool operator==(const NotConnected&, const NotConnected&) = default;
    };
    // The drive's backup was made with another passphrase.
    struct KeyMismatch {
        friend bool operator==(const KeyMismatch&, const KeyMismatch&) = default;
    };
    struct Cancelled {
        friend bool operator==(const Cancelled&, const Cancelled&) = default;
    };

    using Value = std::variant<CompletedWithFailures, Unavailable, MassChangeReview, Failed, Completed,
                               NotConnected, KeyMismatch, Cancelled>;

    template <typename Case>
    requires std::is_constructible_v<Value, Case&&> LocalOutcome(Case&& value)
        : value_(std::forward<Case>(value)) {} // NOLINT(google-explicit-constructor)

    static LocalOutcome completedWithFailures(std::int64_t failed) { return CompletedWithFailures{failed}; }
    static LocalOutcome unavailable(std::string reason) { return Unavailable{std::move(reason)}; }
    static LocalOutcome massChangeReview(std::int64_t changed, std::int64_t removed,
                                         std::int64_t protectedCount) {
        return MassChangeReview{changed, removed, protectedCount};
    }
    static LocalOutcome failed(std::string message) { return Failed{std::move(message)}; }
    static LocalOutcome completed() { return Completed{}; }
    static LocalOutcome notConnected() { return NotConnected{}; }
    static LocalOutcome keyMismatch() { return KeyMismatch{}; }
    static LocalOutcome cancelled() { return Cancelled{}; }

    const Value& value() const { return value_; }
    template <typename Case> bool is() const { return std::holds_alternative<Case>(value_); }
    template <typename Case> const Case* get() const { return std::get_if<Case>(&value_); }

    friend bool operator==(const LocalOutcome&, const LocalOutcome&) = default;

private:
    Value value_;
};

} // namespace keldra
