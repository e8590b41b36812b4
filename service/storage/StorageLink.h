#pragma once

#include <string>

namespace keldra {

// Whether a storage link the portal handed out may be fetched or sent to: an absolute http or https URL
// with a host. Anything else (a file: URL, a bare path) is refused before any transfer starts.
bool isStorageLink(const std::string& text);

} // namespace keldra
