#pragma once

#include "core/Error.h"

#include <string>

namespace keldra {

// Why an index could not be opened. After opening no index operation throws.
class BackupIndexError final : public Error {
public:
    enum class Kind {
        directoryFailed, // the folder could not be created; code is the errno value
        openFailed,      // sqlite3_open_v2 failed; code 1
        schemaFailed,    // the schema script failed; code is SQLite's result code
    };

    BackupIndexError(Kind kind, int code, std::string description)
        : kind_(kind), code_(code), description_(std::move(description)) {}

    Kind kind() const { return kind_; }
    // The error's domain is always "BackupIndex".
    static constexpr const char* domain = "BackupIndex";
    int code() const { return code_; }
    std::string message() const override { return description_; }

private:
    Kind kind_;
    int code_;
    std::string description_;
};

} // namespace keldra
