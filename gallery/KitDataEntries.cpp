// Status headlines, data lists, stat tiles, throughput charts and run log lists.

#include "core/events/LogLine.h"
#include "design/controls/OLProgressBar.h"
#include "design/data/DataList.h"
#include "design/data/RunLogList.h"
#include "design/data/StatTile.h"
#include "design/data/StatusHeadline.h"
#include "design/data/ThroughputChart.h"
#include "design/theme/OLColor.h"
#include "gallery/KitEntries.h"

#include <QHBoxLayout>
#include <chrono>
#include <cmath>

namespace keldra::gallery {
namespace {

QWidget* headlines(const OLTheme& theme) {
    return kitColumn(
        {
            new StatusHeadline(
                {BackupHealth::protectedState(), theme}, OLTextStyle::hero,
                QStringLiteral("Last backup today at 14:02. Next run in about an hour, when the computer "
                               "is idle and on power."),
                296),
            new StatusHeadline({BackupHealth::backingUp(), theme}, OLTextStyle::display, std::nullopt, 296),
            new StatusHeadline({BackupHealth::blocked(BlockReason::offline()), theme}, OLTextStyle::display,
                               QStringLiteral("Waiting for a network connection."), 296),
        },
        24);
}

QWidget* dataList(const OLTheme&) {
    return new DataList(
        {{QStringLiteral("Last backup"), QStringLiteral("Today 14:02"), StatusTone::secure, true},
         {QStringLiteral("Next run"), QStringLiteral("Today 15:00"), std::nullopt, true},
         {QStringLiteral("Failures"), QStringLiteral("3 files"), StatusTone::danger, true},
         {QStringLiteral("Key mode"), QString(), std::nullopt, true},
         {QStringLiteral("Current file"),
          QStringLiteral("~/Documents/Projects/Archive/2024/Quarterly reports/Final/summary.pdf"),
          StatusTone::info, true},
         {QStringLiteral("Name"), QStringLiteral("<b>x</b>"), StatusTone::warning, true}},
        38);
}

QWidget* tiles(const OLTheme&) {
    auto* root = new QWidget;
    auto* row = new QHBoxLayout(root);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(new StatTile(QStringLiteral("Files protected"), QStringLiteral("12,408"), std::nullopt,
                                std::nullopt, true),
                   1);
    row->addWidget(new StatTile(QStringLiteral("Upload speed"), QStringLiteral("4.2"), QStringLiteral("MB/s"),
                                std::nullopt, false,
                                new OLProgressBar(0.4, OLColor::toneSecure, 4, QStringLiteral("Upload"))),
                   1);
    row->addWidget(new StatTile(QStringLiteral("Encryption"), QStringLiteral("On this computer"),
                                QStringLiteral("MB/s"), StatusTone::secure, false),
                   1);
    row->addWidget(new StatTile(QStringLiteral("Storage"), QStringLiteral("Almost full"), std::nullopt,
                                StatusTone::danger, false),
                   1);
    return root;
}

std::vector<double> wave(size_t count) {
    std::vector<double> samples;
    for (size_t i = 0; i < count; ++i)
        samples.push_back(2'000'000 + 1'500'000 * std::sin(static_cast<double>(i) / 9.0) +
                          30'000.0 * static_cast<double>(i % 7));
    return samples;
}

QWidget* charts(const OLTheme&) {
    return kitColumn(
        {
            kitLabelled(QStringLiteral("no samples, axis"), new ThroughputChart({}, 300, true, 96)),
            kitLabelled(QStringLiteral("one sample, axis"), new ThroughputChart({2'000'000}, 300, true, 96)),
            kitLabelled(QStringLiteral("60 of 300, axis"), new ThroughputChart(wave(60), 300, true, 96)),
            kitLabelled(QStringLiteral("300 of 300, axis"), new ThroughputChart(wave(300), 300, true, 96)),
            kitLabelled(QStringLiteral("300 of 300, no axis"),
                        new ThroughputChart(wave(300), 300, false, 64)),
            kitLabelled(QStringLiteral("small speeds (scale 1)"),
                        new ThroughputChart(std::vector<double>(120, 400'000.0), 300, true, 64)),
        },
        14);
}

QWidget* runLog(const OLTheme&) {
    const auto at = [](int seconds) {
        return SystemTime(std::chrono::seconds(1'765'370'000 + seconds));
    };
    std::vector<LogLine> lines{
        LogLine::make("Backup started (manual).", LogLine::Tone::info, at(0)),
        LogLine::make("Scanned 12,408 files.", LogLine::Tone::ok, at(12)),
        LogLine::make("Skipped ~/Library/Caches: not readable.", LogLine::Tone::warning, at(30)),
        LogLine::make("Upload failed for report <b>final</b>.pdf: the portal refused the request. "
                      "It will be tried again on the next run, together with every other file that failed.",
                      LogLine::Tone::error, at(42)),
        LogLine::make("Backup finished: 3 files uploaded.", LogLine::Tone::ok, at(60)),
    };
    return kitColumn(
        {kitLabelled(QStringLiteral("newest first, limit 4"), kitAtWidth(new RunLogList(lines, 4), 560)),
         kitLabelled(QStringLiteral("empty"), new RunLogList({}, 10)),
         kitLabelled(QStringLiteral("limit 0"), new RunLogList(lines, 0))},
        16);
}

} // namespace

std::vector<GalleryEntry> kitDataEntries() {
    return {
        {QStringLiteral("headline"), QStringLiteral("states"),
         [](const OLTheme& theme) {
             return kitAtWidth(headlines(theme), 560);
         }},
        {QStringLiteral("data-list"), QStringLiteral("rows"), dataList, 420},
        {QStringLiteral("stat-tile"), QStringLiteral("kinds"), tiles, 760},
        {QStringLiteral("chart"), QStringLiteral("samples"), charts, 480},
        {QStringLiteral("run-log"), QStringLiteral("lines"), runLog, 560},
    };
}

} // namespace keldra::gallery
