#include "app/model/StatusTexts.h"

#include "core/events/Formatters.h"
#include "core/events/RegionNames.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <fmt/format.h>

namespace keldra {

std::string phaseLabel(RunPhase phase) {
    switch (phase) {
    case RunPhase::preparing:
        return "Preparing";
    case RunPhase::checking:
        return "Checking your Keldra";
    case RunPhase::scanning:
        return "Looking for changes";
    case RunPhase::uploading:
        return "Uploading";
    case RunPhase::copying:
        return "Copying to drive";
    case RunPhase::cleaning:
        return "Tidying old versions";
    }
    return "Preparing";
}

namespace {

QDateTime localDateTime(SystemTime date) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(date.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(millis);
}

} // namespace

std::string formatClockTime(SystemTime date) {
    const QLocale locale;
    // Some locales' short format still names the seconds (C's is "HH:mm:ss"); a clock time here never
    // does, like every other time the app shows.
    static const QRegularExpression seconds(QStringLiteral("[:.]?s+"));
    const QString format = locale.timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
    return locale.toString(localDateTime(date).time(), format).toStdString();
}

std::string formatUpcomingTime(SystemTime date, SystemTime now) {
    if (localDateTime(date).date() == localDateTime(now).date()) {
        return formatClockTime(date);
    }
    return formatLogTimestamp(date, now);
}

std::string countryRulePlaces(const GeoGuard::Rule& rule) {
    constexpr std::size_t shown = 6;
    std::string list;
    std::size_t count = 0;
    // The codes are a sorted set: ascending order of the code text.
    for (const std::string& code : rule.codes) {
        if (count < shown) {
            list += (count == 0 ? "" : ", ") + regionName(code);
        }
        ++count;
    }
    if (count > shown) {
        list += fmt::format(" and {} more", count - shown);
    }
    return rule.kind == GeoGuard::Rule::Kind::allowOnly ? "anywhere except " + list : list;
}

} // namespace keldra
