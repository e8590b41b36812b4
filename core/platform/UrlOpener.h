#pragma once

#include <string>

namespace keldra {

// Opens a web page in the user's default browser. Failures are not reported.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void openUrl(const std::string& url) = 0;
};

} // namespace keldra
