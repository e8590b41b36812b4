#pragma once

#include "core/Error.h"

#include <string>

namespace keldra {

// The restore engine's own failures, with the texts the restore summary shows.
class RestoreError final : public Error {
public:
    enum class Kind { memory, badLink, noIV, unsafePath };

    explicit RestoreError(Kind kind) : kind_(kind) {}

    Kind kind() const { return kind_; }
    std::string message() const override;

    friend bool operator==(const RestoreError& a, const RestoreError& b) { return a.kind_ == b.kind_; }

private:
    Kind kind_;
};

} // namespace keldra
