#pragma once

#include <string>

namespace keldra {

// Opens web pages (the portal, support) in the desktop's browser.
class DesktopUrlOpener final {
public:
    // False when the text is not an absolute URL or the desktop could not open it.
    bool openUrl(const std::string& url);
};

} // namespace keldra
