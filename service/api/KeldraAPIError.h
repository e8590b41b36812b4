#pragma once

#include "core/Error.h"

#include <string>

namespace keldra {

// Every failure the portal client reports itself, each with its fixed user text (message()).
class KeldraAPIError final : public Error {
public:
    enum class Kind {
        invalidCredentials, // payload: text
        accessDenied,       // text
        geoBlocked,         // destroyed
        geoRisk,            // text = upper-case two-letter country code
        uploadRefused,      // text
        rateLimited,        // retryAfter (seconds)
        endpointMissing,    // text = a path or a feature name
        conflict,           // text
        rejected,           // text
        server,             // status, text
        transport,          // text
        decoding,           // text = what did not fit
        twoFactorRequired,
        invalidTwoFactor,
        tokenExpired,
        accountDisabled,
        keldraSuspended,
        noSubscription,
        alreadyConfirmed,
        notFound,
    };

    static KeldraAPIError invalidCredentials(std::string text) {
        return {Kind::invalidCredentials, std::move(text)};
    }
    static KeldraAPIError accessDenied(std::string text) { return {Kind::accessDenied, std::move(text)}; }
    static KeldraAPIError geoBlocked(bool destroyed) {
        KeldraAPIError e{Kind::geoBlocked};
        e.destroyed_ = destroyed;
        return e;
    }
    static KeldraAPIError geoRisk(std::string code) { return {Kind::geoRisk, std::move(code)}; }
    static KeldraAPIError uploadRefused(std::string text) { return {Kind::uploadRefused, std::move(text)}; }
    static KeldraAPIError rateLimited(double retryAfter) {
        KeldraAPIError e{Kind::rateLimited};
        e.retryAfter_ = retryAfter;
        return e;
    }
    static KeldraAPIError endpointMissing(std::string what) {
        return {Kind::endpointMissing, std::move(what)};
    }
    static KeldraAPIError conflict(std::string text) { return {Kind::conflict, std::move(text)}; }
    static KeldraAPIError rejected(std::string text) { return {Kind::rejected, std::move(text)}; }
    static KeldraAPIError server(int status, std::string text) {
        KeldraAPIError e{Kind::server, std::move(text)};
        e.status_ = status;
        return e;
    }
    static KeldraAPIError transport(std::string text) { return {Kind::transport, std::move(text)}; }
    static KeldraAPIError decoding(std::string what) { return {Kind::decoding, std::move(what)}; }
    static KeldraAPIError twoFactorRequired() { return {Kind::twoFactorRequired}; }
    static KeldraAPIError invalidTwoFactor() { return {Kind::invalidTwoFactor}; }
    static KeldraAPIError tokenExpired() { return {Kind::tokenExpired}; }
    static KeldraAPIError accountDisabled() { return {Kind::accountDisabled}; }
    static KeldraAPIError keldraSuspended() { return {Kind::keldraSuspended}; }
    static KeldraAPIError noSubscription() { return {Kind::noSubscription}; }
    static KeldraAPIError alreadyConfirmed() { return {Kind::alreadyConfirmed}; }
    static KeldraAPIError notFound() { return {Kind::notFound}; }

    Kind kind() const { return kind_; }
    // The text payload (message, code, path or feature); empty for cases without one.
    const std::string& text() const { return text_; }
    bool destroyed() const { return destroyed_; }
    double retryAfter() const { return retryAfter_; }
    int status() const { return status_; }

    // The user-facing text of the case.
    std::string message() const override;
    std::string errorDescription() const { return message(); }

    bool operator==(const KeldraAPIError& other) const {
        return kind_ == other.kind_ && text_ == other.text_ && destroyed_ == other.destroyed_ &&
               retryAfter_ == other.retryAfter_ && status_ == other.status_;
    }

private:
    KeldraAPIError(Kind kind, std::string text = {}) : kind_(kind), text_(std::move(text)) {}

    Kind kind_;
    std::string text_;
    bool destroyed_ = false;
    double retryAfter_ = 0;
    int status_ = 0;
};

// Whether a refusal reads as the account's storage or per-file limit being reached: only a `rejected`
// error whose message mentions quota, storage, too large, file size or limit.
bool isStorageFullMessage(const KeldraAPIError& error);

} // namespace keldra
