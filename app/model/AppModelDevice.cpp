// This computer's device folder on the portal, the end of set-up, the backup sources and the user's pause.

#include "app/model/AppModel.h"
#include "core/codec/Uuid.h"
#include "core/seams/XdgPaths.h"
#include "core/secrets/ScopeKey.h"
#include "core/text/Utf8Text.h"
#include "restore/engine/WithRetry.h"
#include "restore/tree/NaturalOrder.h"
#include "service/api/BlockReasonMapping.h"

#include <algorithm>
#include <set>

namespace keldra {

namespace {

constexpr const char* rootFolderName = "Backups";

// What a folder source at `path` holds below it: the path and a slash, or the path itself when it already
// ends in one ("/"), so that nothing below the root is taken for outside it.
std::string insidePrefix(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + "/";
}

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

void AppModel::persistSettings(const BackupSettings& changed) {
    if (changed == settings_) {
        return;
    }
    setSettings(changed);
    if (const auto scope = sessionScopeKey()) {
        BackupSettings::save(services_.defaults, *scope, settings_);
    }
}

QCoro::Task<std::optional<KeldraFolder>> AppModel::findRootFolder(WorkGuard guard) {
    auto listing = onWorker(std::move(guard), [api = services_.api, cancel = lifetime_.get_token()] {
        return api->listFiles(std::nullopt, cancel);
    });
    const KeldraListing top = co_await listing;
    if (top.folders) {
        for (const KeldraFolder& folder : *top.folders) {
            if (folder.name == rootFolderName && !folder.parentId) {
                co_return folder;
            }
        }
    }
    co_return std::nullopt;
}

QCoro::Task<> AppModel::loadDevices() {
    const WorkGuard guard = accountGuard();
    std::vector<KeldraFolder> devices;
    try {
        auto finding = findRootFolder(guard);
        const std::optional<KeldraFolder> root = co_await finding;
        if (root) {
            auto listing =
                onWorker(guard, [api = services_.api, id = root->id, cancel = lifetime_.get_token()] {
                    return api->listFiles(id, cancel);
                });
            const KeldraListing inside = co_await listing;
            devices = inside.folders.value_or(std::vector<KeldraFolder>{});
        }
    } catch (const StaleWork&) {
        throw;
    } catch (const std::exception&) {
        devices.clear(); // nothing is shown for a failed listing
    }
    setExistingDevices(std::move(devices));
}

QCoro::Task<std::optional<std::string>> AppModel::chooseDeviceFolder(std::string name,
                                                                     std::optional<KeldraFolder> reuse) {
    const WorkGuard guard = accountGuard();
    setIsWorking(true);
    try {
        auto finding = findRootFolder(guard);
        std::optional<KeldraFolder> root = co_await finding;
        if (!root) {
            auto creating = onWorker(guard, [api = services_.api, cancel = lifetime_.get_token()] {
                return api->createFolder(rootFolderName, std::nullopt, cancel);
            });
            root = co_await creating;
        }
        KeldraFolder device;
        if (reuse) {
            device = *reuse;
        } else {
            // The listing, the free name and the folder, all on a worker: the model name is read from files.
            auto creating =
                onWorker(guard, [api = services_.api, rootID = root->id, name,
                                 names = services_.computerNames, cancel = lifetime_.get_token()] {
                    const KeldraListing inside = api->listFiles(rootID, cancel);
                    std::set<std::string> taken;
                    for (const KeldraFolder& folder : inside.folders.value_or(std::vector<KeldraFolder>{})) {
                        taken.insert(folder.name);
                    }
                    std::string base = trimWhitespace(name);
                    if (base.empty()) {
                        base = BackupSettings::defaultDeviceName(names);
                    }
                    std::string chosen = base;
                    for (int n = 2; taken.count(chosen) != 0; ++n) {
                        chosen = base + " " + std::to_string(n);
                    }
                    return api->createFolder(chosen, rootID, cancel);
                });
            device = co_await creating;
        }

        // A new device folder starts with no record of earlier uploads.
        if (settings_.deviceFolderID != std::optional<std::string>(device.id.raw)) {
            auto clearing = onIndex([](BackupIndex& index) { index.clearFilesAndVersions(); });
            co_await clearing;
        }
        // Taken after the portal calls: other work may have changed the settings meanwhile.
        BackupSettings changed = settings_;
        changed.deviceName = device.name;
        changed.backupsFolderID = root->id.raw;
        changed.deviceFolderID = device.id.raw;
        persistSettings(changed);
    } catch (const StaleWork&) {
        if (guard.owner()) {
            setIsWorking(false);
        }
        throw;
    } catch (const std::exception& error) {
        if (const auto* apiError = dynamic_cast<const KeldraAPIError*>(&error)) {
            if (auto reason = blockReason(*apiError)) {
                handleBlock(*reason);
            }
        }
        setIsWorking(false);
        co_return errorText(error);
    }
    setIsWorking(false);
    co_return std::nullopt;
}

QCoro::Task<> AppModel::finishSetup(bool launchAtLogin, bool notifications) {
    BackupSettings changed = settings_;
    changed.setupComplete = true;
    persistSettings(changed);
    if (launchAtLogin) {
        // Writes the autostart entry: file work, off this thread.
        auto registering = onWorker(
            ownerGuard(), [&loginItem = services_.loginItem] { loginItem.setLoginItemEnabled(true); });
        co_await registering;
    }
    // Desktop notifications need no permission here; the answer is kept as the app's own preference.
    persistNotificationsAllowed(notifications);
    setPhase(AppPhase::ready);
    setSection(AppSection::overview);
    if (pausedByUser_) {
        setPaused(false);
    }
    runBackup("Manual");
}

void AppModel::addSources(const std::vector<std::filesystem::path>& urls) {
    startDetached(addPickedSources(urls));
}

QCoro::Task<> AppModel::addPickedSources(std::vector<std::filesystem::path> urls) {
    // Whether each pick is a file or a folder is file work: read on a worker, in the order the picks came,
    // and added to the sources as they are when the answer arrives.
    auto reading = keldra::onLane(*sourceCheckLane_, accountGuard(), [urls = std::move(urls)] {
        std::vector<std::pair<std::string, bool>> picked;
        for (const std::filesystem::path& url : urls) {
            std::string path = standardizedPath(url).string();
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            // An item whose kind cannot be read counts as a folder.
            const bool isFolder = error || status.type() == std::filesystem::file_type::directory ||
                                  status.type() == std::filesystem::file_type::not_found;
            picked.emplace_back(std::move(path), isFolder);
        }
        return picked;
    });
    const std::vector<std::pair<std::string, bool>> picked = co_await reading;
    std::vector<BackupSource> working = sources_;
    for (const auto& [path, isFolder] : picked) {
        const bool covered = std::any_of(working.begin(), working.end(), [&](const BackupSource& source) {
            return source.path == path || (!source.isFile && startsWith(path, insidePrefix(source.path)));
        });
        if (covered) {
            continue;
        }
        if (isFolder) {
            const std::string prefix = insidePrefix(path);
            std::erase_if(working,
                          [&](const BackupSource& source) { return startsWith(source.path, prefix); });
        }
        working.push_back(BackupSource{makeUuid(), path, !isFolder, services_.clock.now()});
    }
    persistSources(std::move(working));
}

bool AppModel::sourceOrder(const BackupSource& a, const BackupSource& b) {
    return naturalCompare(BackupSource::abbreviatePath(a.path), BackupSource::abbreviatePath(b.path)) < 0;
}

void AppModel::persistSources(std::vector<BackupSource> sources) {
    std::stable_sort(sources.begin(), sources.end(), &AppModel::sourceOrder);
    setSources(std::move(sources));
    if (const auto scope = sessionScopeKey()) {
        BackupSource::saveAll(services_.defaults, *scope, sources_);
    }
}

void AppModel::removeSource(const std::string& id) {
    std::vector<BackupSource> kept;
    std::copy_if(sources_.begin(), sources_.end(), std::back_inserter(kept),
                 [&](const BackupSource& source) { return source.id != id; });
    persistSources(std::move(kept));
}

void AppModel::setPaused(bool paused) {
    setPausedByUser(paused);
    writeMeta(metakey::pausedByUser, paused ? std::optional<std::string>("1") : std::nullopt);
    // Pausing also stops the run in progress: every pausing control comes here, and a paused app that
    // goes on uploading would say one thing and do another.
    if (paused) {
        cancelRunTask();
    }
}

std::vector<std::pair<std::string, std::filesystem::path>> AppModel::suggestedFolders() const {
    const std::filesystem::path home = homeDirectory();
    return {
        {"Documents", home / "Documents"}, {"Desktop", home / "Desktop"}, {"Pictures", home / "Pictures"}};
}

void AppModel::choosePaths(const FolderChoice& choice, FolderChooser::PathsDone done) {
    services_.folderChooser.choosePaths(choice, std::move(done));
}

void AppModel::openPortalPage(const std::string& url) {
    services_.urlOpener.openUrl(url);
}

} // namespace keldra
