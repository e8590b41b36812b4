#include "desktop/DesktopUrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace keldra {

void DesktopUrlOpener::openUrl(const std::string& url) {
    // Strict: a malformed address is refused, not "repaired" into some other page.
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (parsed.isValid() && !parsed.isRelative()) {
        QDesktopServices::openUrl(parsed);
    }
}

} // namespace keldra
