#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keldra {

// One HTTP answer: status, headers in the order received, body.
struct HTTPResponse {
    long status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    Bytes body;

    // The last value of a header, matched without regard to case.
    std::optional<std::string> header(std::string_view name) const;
};

} // namespace keldra
