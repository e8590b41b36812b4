#include "engine/Retention.h"

#include "core/events/NumberFormat.h"
#include "core/index/IndexStatements.h"
#include "core/index/RetentionRules.h"
#include "core/scan/ExclusionRules.h"
#include "core/scan/FilePresence.h"
#include "core/settings/BackupSource.h"
#include "core/text/ShownPath.h"
#include "restore/engine/WithRetry.h"
#include "service/api/BlockReasonMapping.h"

#include <algorithm>
#include <set>

namespace keldra {

namespace {} // namespace

Retention::Retention(const EngineServices& services, const CancelToken& cancel)
    : services_(services), cancel_(cancel) {}

void Retention::deleteRemote(const std::string& keldraFileID) {
    withRetry(3, "Delete", RetryLogSink{}, services_.sleeper, cancel_, [&] {
        services_.api.request("DELETE", KeldraAPI::filePath(FlexID(keldraFileID)), {}, std::nullopt, true, 4,
                              cancel_);
    });
}

std::int64_t Retention::pruneVersions(std::int64_t retentionDays,
                                      const std::unordered_set<std::string>& knownIDs, const RunLog& log) {
    using Bind = BackupIndex::Bind;
    const double cutoff = periodCutoff(services_.clock.now(), retentionDays);
    const std::vector<IndexedVersion> expired = services_.index.expiredVersions(cutoff);
    std::int64_t removed = 0;
    for (const IndexedVersion& version : expired) {
        throwIfCancelled(cancel_);
        if (!newerCopyIsKnown(services_.index.file(version.path), version.keldraFileID, knownIDs)) {
            // Without a copy known to exist this version may be the only one left: it becomes current again.
            makeCurrentAgain(services_.index, version);
            continue;
        }
        try {
            deleteRemote(version.keldraFileID);
        } catch (const KeldraAPIError& error) {
            if (error.kind() != KeldraAPIError::Kind::notFound) {
                if (blockReason(error)) {
                    throw;
                }
                if (log) {
                    log("Couldn't remove an old version of " + shownPath(version.path) + " (" +
                            error.message() + "). It'll be tried again.",
                        LogLine::Tone::warning);
                }
                continue;
            }
        }
        services_.index.execute(indexsql::deleteVersion, {Bind::text(version.keldraFileID)});
        ++removed;
    }
    if (removed >= 1 && log) {
        log("Removed " + formatCount(removed) + " versions older than " + std::to_string(retentionDays) +
                " days.",
            LogLine::Tone::info);
    }
    return removed;
}

std::int64_t Retention::purgeDeletedFiles(std::int64_t graceDays,
                                          const std::unordered_set<std::string>& purgeableSources,
                                          const UncertainPaths& uncertain, bool excludeSystemJunk,
                                          bool excludeCaches, bool excludeDeveloperFolders,
                                          const std::vector<std::string>& customPatterns,
                                          const EngineEventHandler& onEvent) {
    using Bind = BackupIndex::Bind;
    const double cutoff = periodCutoff(services_.clock.now(), graceDays);
    ExclusionRules rules;
    rules.excludeSystemJunk = excludeSystemJunk;
    rules.excludeCaches = excludeCaches;
    rules.excludeDeveloperFolders = excludeDeveloperFolders;
    rules.customPatterns = ExclusionRules::cleanPatterns(customPatterns);

    std::vector<IndexedFile> due;
    for (IndexedFile& row : services_.index.files()) {
        if (row.missingSince && *row.missingSince < cutoff && purgeableSources.contains(row.sourceID) &&
            !uncertain.contains(row.path) && !rules.isExcluded(row.path)) {
            due.push_back(std::move(row));
        }
    }

    std::int64_t removed = 0;
    for (const IndexedFile& row : due) {
        throwIfCancelled(cancel_);
        if (!missingFileIsGone(services_.index, chosenOrPosix(services_.scanFileSystem), row)) {
            continue;
        }
        const std::set<std::string> ids = services_.index.copyIDs(row);
        bool allRemoved = true;
        for (const std::string& id : ids) {
            try {
                deleteRemote(id);
            } catch (const KeldraAPIError& error) {
                if (error.kind() != KeldraAPIError::Kind::notFound) {
                    if (blockReason(error)) {
                        throw;
                    }
                    allRemoved = false;
                    continue;
                }
            }
            services_.index.execute(indexsql::deleteVersion, {Bind::text(id)});
        }
        if (allRemoved) {
            services_.index.execute(indexsql::deleteFile, {Bind::text(row.path)});
            ++removed;
        }
    }
    if (removed >= 1 && onEvent) {
        onEvent(EngineEvent::log(
            LogLine::make("Removed " + formatCount(removed) +
                              " files from the Keldra that were deleted on this computer over " +
                              std::to_string(graceDays) + " days ago.",
                          LogLine::Tone::info, services_.clock.now())));
    }
    return removed;
}

} // namespace keldra
