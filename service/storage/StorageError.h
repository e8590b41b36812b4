#pragma once

#include "core/Error.h"

#include <string>

namespace keldra {

// A failed transfer to or from a presigned storage link.
class StorageError final : public Error {
public:
    enum class Kind {
        http,                  // the storage answered with a status outside 200...299 (not 403)
        transport,             // no usable answer: network, time-out, no HTTP response
        urlExpiredOrForbidden, // 403: the link ran out or was refused
    };

    static StorageError http(int status) { return StorageError(Kind::http, status, {}); }
    static StorageError transport(std::string text) {
        return StorageError(Kind::transport, 0, std::move(text));
    }
    static StorageError urlExpiredOrForbidden() { return StorageError(Kind::urlExpiredOrForbidden, 403, {}); }

    Kind kind() const { return kind_; }
    // The HTTP status of `http` (403 for `urlExpiredOrForbidden`, 0 for `transport`).
    int status() const { return status_; }
    // The payload text of `transport`.
    const std::string& text() const { return text_; }

    std::string message() const override {
        switch (kind_) {
        case Kind::http:
            return "Storage returned an error (" + std::to_string(status_) + ").";
        case Kind::transport:
            return text_;
        case Kind::urlExpiredOrForbidden:
            return "The upload link expired.";
        }
        return text_;
    }

private:
    StorageError(Kind kind, int status, std::string text)
        : kind_(kind), status_(status), text_(std::move(text)) {}

    Kind kind_;
    int status_;
    std::string text_;
};

} // namespace keldra
