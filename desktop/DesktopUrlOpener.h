#pragma once

#include "core/platform/UrlOpener.h"

namespace keldra {

// Opens web pages (the portal, support) in the desktop's browser.
class DesktopUrlOpener final : public UrlOpener {
public:
    // A text that is not an absolute URL is not opened.
    void openUrl(const std::string& url) override;
};

} // namespace keldra
