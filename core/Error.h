#pragma once

#include <exception>
#include <string>

namespace keldra {

// Base of every error the system raises: each area derives its own typed error with fixed user texts.
class Error : public std::exception {
public:
    // The text the user sees, unchanged.
    virtual std::string message() const = 0;

    const char* what() const noexcept override {
        try {
            whatCache_ = message();
        } catch (...) {
            return "error";
        }
        return whatCache_.c_str();
    }

private:
    mutable std::string whatCache_;
};

// A cancelled operation ends with this, never with a generic failure.
class CancelledError final : public Error {
public:
    std::string message() const override { return "Cancelled."; }
};

} // namespace keldra
