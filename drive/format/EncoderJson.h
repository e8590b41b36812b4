#pragma once

#include <string>
#include <string_view>

namespace keldra::LocalFormat {

// Pieces of JSON exactly as the platform's default encoder writes them, because the drive format's bytes
// (and where the metadata size limit falls) depend on them: compact, "/" escaped as "\/", control
// characters as \b \f \n \r \t or \u00xx (lowercase hex), everything else raw UTF-8.
void appendJsonString(std::string& out, std::string_view utf8);

// The shortest text that reads back as the same double, in the encoder's style: "1700000000.5", "100"
// (no ".0"), "1e-05", "1.8014398509481985e+16". Throws std::invalid_argument for NaN and infinities, which
// JSON cannot hold.
std::string jsonNumber(double value);

} // namespace keldra::LocalFormat
