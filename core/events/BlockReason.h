#pragma once

#include <string>
#include <type_traits>
#include <utility>
#include <variant>

namespace keldra {

// Why backups cannot run now: the account or the service cannot be used, as opposed to a run that failed.
// The mapping from portal errors lives with the portal client (service/api), which knows those errors.
class BlockReason {
public:
    struct ServerNotReady {
        std::string feature; // the missing feature's name
        friend bool operator==(const ServerNotReady&, const ServerNotReady&) = default;
    };
    struct AccessDenied {
        std::string text; // the service's own text, may be empty
        friend bool operator==(const AccessDenied&, const AccessDenied&) = default;
    };
    struct GeoBlocked {
        bool destroyed = false;
        friend bool operator==(const GeoBlocked&, const GeoBlocked&) = default;
    };
    struct GeoRisk {
        std::string regionCode; // the region of the current connection
        friend bool operator==(const GeoRisk&, const GeoRisk&) = default;
    };
    struct SignedOut {
        friend bool operator==(const SignedOut&, const SignedOut&) = default;
    };
    struct Suspended {
        friend bool operator==(const Suspended&, const Suspended&) = default;
    };
    struct NoPlan {
        friend bool operator==(const NoPlan&, const NoPlan&) = default;
    };
    struct AccountDisabled {
        friend bool operator==(const AccountDisabled&, const AccountDisabled&) = default;
    };
    // Never comes from the portal: the app model sets it while the network is down.
    struct Offline {
        friend bool operator==(const Offline&, const Offline&) = default;
    };

    using Value = std::variant<ServerNotReady, AccessDenied, GeoBlocked, GeoRisk, SignedOut, Suspended,
                               NoPlan, AccountDisabled, Offline>;

    // Implicit from any case, so `return NoPlan{};` reads naturally.
    template <typename Case>
    requires std::is_constructible_v<Value, Case&&> BlockReason(Case&& value)
        : value_(std::forward<Case>(value)) {} // NOLINT(google-explicit-constructor)

    static BlockReason serverNotReady(std::string feature) { return ServerNotReady{std::move(feature)}; }
    static BlockReason accessDenied(std::string text) { return AccessDenied{std::move(text)}; }
    static BlockReason geoBlocked(bool destroyed) { return GeoBlocked{destroyed}; }
    static BlockReason geoRisk(std::string regionCode) { return GeoRisk{std::move(regionCode)}; }
    static BlockReason signedOut() { return SignedOut{}; }
    static BlockReason suspended() { return Suspended{}; }
    static BlockReason noPlan() { return NoPlan{}; }
    static BlockReason accountDisabled() { return AccountDisabled{}; }
    static BlockReason offline() { return Offline{}; }

    const Value& value() const { return value_; }
    template <typename Case> bool is() const { return std::holds_alternative<Case>(value_); }
    template <typename Case> const Case* get() const { return std::get_if<Case>(&value_); }

    // The short title and the long explanation the user sees.
    std::string title() const;
    std::string message() const;

    friend bool operator==(const BlockReason&, const BlockReason&) = default;

private:
    Value value_;
};

} // namespace keldra
