#pragma once

#include <curl/curl.h>
#include <string>
#include <string_view>

namespace keldra {

// A failed libcurl transfer in the words the user sees, shared by the portal requests and the storage
// transport. `invalidAddressText` names what was not a valid address ("The portal address is not valid.").
std::string transferFailureText(CURLcode code, std::string_view invalidAddressText);

} // namespace keldra
