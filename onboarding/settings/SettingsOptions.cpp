#include "onboarding/settings/SettingsOptions.h"

namespace keldra::SettingsOptions {

namespace {

// "00", "05", ... for the values given.
OptionList<std::int64_t> twoDigits(std::int64_t count, std::int64_t step) {
    OptionList<std::int64_t> options;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t value = i * step;
        options.emplace_back(QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')), value);
    }
    return options;
}

} // namespace

const OptionList<std::int64_t>& staleReminder() {
    static const OptionList<std::int64_t> options{{QStringLiteral("1 day"), 1},
                                                  {QStringLiteral("3 days"), 3},
                                                  {QStringLiteral("7 days"), 7},
                                                  {QStringLiteral("Never"), 0}};
    return options;
}

const OptionList<ScheduleKind>& scheduleKinds() {
    static const OptionList<ScheduleKind> options{{QStringLiteral("Hourly"), ScheduleKind::hourly},
                                                  {QStringLiteral("Daily"), ScheduleKind::daily},
                                                  {QStringLiteral("Weekly"), ScheduleKind::weekly},
                                                  {QStringLiteral("Custom"), ScheduleKind::custom},
                                                  {QStringLiteral("Manual"), ScheduleKind::manual}};
    return options;
}

const OptionList<double>& uploadSpeed() {
    static const OptionList<double> options{{QStringLiteral("No limit"), 0},
                                            {QStringLiteral("1 MB/s"), 1},
                                            {QStringLiteral("5 MB/s"), 5},
                                            {QStringLiteral("10 MB/s"), 10},
                                            {QStringLiteral("25 MB/s"), 25}};
    return options;
}

const OptionList<std::int64_t>& versionHistory() {
    static const OptionList<std::int64_t> options{
        {QStringLiteral("7 days"), 7}, {QStringLiteral("30 days"), 30}, {QStringLiteral("90 days"), 90}};
    return options;
}

const OptionList<std::optional<std::int64_t>>& deletedFiles() {
    static const OptionList<std::optional<std::int64_t>> options{
        {QStringLiteral("30 days"), 30},
        {QStringLiteral("90 days"), 90},
        {QStringLiteral("Keep forever"), std::nullopt}};
    return options;
}

const OptionList<std::int64_t>& driveReminder() {
    static const OptionList<std::int64_t> options{{QStringLiteral("3 days"), 3},
                                                  {QStringLiteral("7 days"), 7},
                                                  {QStringLiteral("14 days"), 14},
                                                  {QStringLiteral("Never"), 0}};
    return options;
}

const OptionList<std::int64_t>& weekdays() {
    static const OptionList<std::int64_t> options = [] {
        OptionList<std::int64_t> list;
        for (std::size_t i = 0; i < weekdayNames.size(); ++i) {
            list.emplace_back(
                QString::fromUtf8(weekdayNames[i].data(), static_cast<int>(weekdayNames[i].size())),
                static_cast<std::int64_t>(i + 1));
        }
        return list;
    }();
    return options;
}

const OptionList<std::int64_t>& hours() {
    static const OptionList<std::int64_t> options = twoDigits(24, 1);
    return options;
}

const OptionList<std::int64_t>& minutes() {
    static const OptionList<std::int64_t> options = twoDigits(12, 5);
    return options;
}

const OptionList<std::int64_t>& everyHours() {
    static const OptionList<std::int64_t> options = [] {
        OptionList<std::int64_t> list;
        for (std::int64_t value : {2, 3, 4, 6, 8, 12}) {
            list.emplace_back(QStringLiteral("%1 hours").arg(value), value);
        }
        return list;
    }();
    return options;
}

const OptionList<PopoverStyle>& popoverStyles() {
    static const OptionList<PopoverStyle> options{{QStringLiteral("Match style"), PopoverStyle::match},
                                                  {QStringLiteral("Always Glass"), PopoverStyle::glass},
                                                  {QStringLiteral("Always Signal"), PopoverStyle::signal}};
    return options;
}

} // namespace keldra::SettingsOptions
