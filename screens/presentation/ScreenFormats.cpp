#include "screens/presentation/ScreenFormats.h"

#include "core/events/Formatters.h"

namespace keldra {

std::string lowerCased(const std::string& text) {
    return QString::fromStdString(text).toLower().toStdString();
}

QString qtext(const std::string& text) {
    return QString::fromStdString(text);
}

QString usedOfQuotaText(std::int64_t used, std::int64_t quota) {
    return byteText(used) + QStringLiteral(" of ") + byteText(quota);
}

QString timestampLower(SystemTime date, SystemTime now) {
    return qtext(lowerCased(formatLogTimestamp(date, now)));
}

} // namespace keldra
