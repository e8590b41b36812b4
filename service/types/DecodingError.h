#pragma once

#include "core/Error.h"

#include <string>
#include <utility>

namespace keldra {

// A portal answer that does not fit the record it should fill. The portal client turns it into
// KeldraAPIError::decoding naming the record; the description is for diagnostics only.
class DecodingError final : public Error {
public:
    explicit DecodingError(std::string description) : description_(std::move(description)) {}

    const std::string& description() const { return description_; }
    std::string message() const override { return description_; }

private:
    std::string description_;
};

} // namespace keldra
