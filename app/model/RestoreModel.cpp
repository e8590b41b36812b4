#include "app/model/RestoreModel.h"

#include "app/async/ChooseFolder.h"
#include "app/async/Workers.h"
#include "core/platform/FileRevealer.h"
#include "drive/format/DriveLayout.h"
#include "restore/engine/RestoreEngine.h"
#include "restore/engine/WithRetry.h"
#include "restore/model/RestoreDeletion.h"
#include "restore/model/RestoreItems.h"
#include "restore/model/RestoreSources.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <variant>

namespace keldra {
namespace {

// Stores `value` and tells observers only when it differs from the stored one under `equal`.
template <class T, class Equal>
void assign(RestoreModel* model, T& field, T value, void (RestoreModel::*changed)(), Equal equal) {
    if (equal(field, value)) {
        field = std::move(value);
        return;
    }
    field = std::move(value);
    emit(model->*changed)();
}

template <class T> void assign(RestoreModel* model, T& field, T value, void (RestoreModel::*changed)()) {
    assign(model, field, std::move(value), changed, [](const T& a, const T& b) { return a == b; });
}

bool sameNode(const RestoreNodePtr& a, const RestoreNodePtr& b) {
    return (!a && !b) || (a && b && a->id == b->id);
}

std::shared_ptr<const RemoteCatalog> emptyCatalog() {
    return std::shared_ptr<const RemoteCatalog>(std::shared_ptr<const RemoteCatalog>(),
                                                &RemoteCatalog::empty());
}

SystemTime nowFrom(const RestoreContext& context) {
    return context.clock ? context.clock->now() : SystemClock().now();
}

constexpr const char* driveNotConnected = "That drive isn't connected.";
// A delete refused because the place picked is not the one listed: nothing was tried.
constexpr std::string_view listChangedBeforeDelete =
    "The list changed, so nothing was deleted. Look at it again, then delete.";

// Hands a call to the GUI thread without waiting; safe from any thread.
template <class Call> void postToGuiThread(Call call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
}

} // namespace

RestoreModel::RestoreModel(Workers& workers, FolderChooser& folderChooser, FileRevealer& fileRevealer,
                           QObject* parent)
    : QObject(parent), workers_(workers), folderChooser_(folderChooser), fileRevealer_(fileRevealer),
      catalog_(emptyCatalog()), jobs_(workers.cancelSource()) {}

RestoreModel::~RestoreModel() {
    jobs_.request_stop();
}

void RestoreModel::setSourceOptions(std::vector<SourceOption> value) {
    assign(this, sourceOptions_, std::move(value), &RestoreModel::sourceOptionsChanged);
}
void RestoreModel::setSource(std::optional<Source> value) {
    assign(this, source_, std::move(value), &RestoreModel::sourceChanged);
}
void RestoreModel::setDriveDeviceDir(std::optional<Path> value) {
    assign(this, driveDeviceDir_, std::move(value), &RestoreModel::driveDeviceDirChanged);
}
void RestoreModel::setCatalog(std::shared_ptr<const RemoteCatalog> value) {
    // A catalog has no equality: every assignment is news.
    catalog_ = value ? std::move(value) : emptyCatalog();
    emit catalogChanged();
}
void RestoreModel::setTree(std::vector<RestoreNodePtr> value) {
    assign(this, tree_, std::move(value), &RestoreModel::treeChanged,
           [](const std::vector<RestoreNodePtr>& a, const std::vector<RestoreNodePtr>& b) {
               return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameNode);
           });
}
void RestoreModel::setIsLoading(bool value) {
    assign(this, isLoading_, value, &RestoreModel::isLoadingChanged);
}
void RestoreModel::setLoadError(std::optional<std::string> value) {
    assign(this, loadError_, std::move(value), &RestoreModel::loadErrorChanged);
}
void RestoreModel::setLoadedAt(std::optional<SystemTime> value) {
    assign(this, loadedAt_, value, &RestoreModel::loadedAtChanged);
}
void RestoreModel::setSelection(RestoreNodePtr value) {
    assign(this, selection_, std::move(value), &RestoreModel::selectionChanged, sameNode);
}
void RestoreModel::setSelectedVersionID(std::optional<FlexID> value) {
    assign(this, selectedVersionID_, std::move(value), &RestoreModel::selectedVersionIDChanged);
}
void RestoreModel::setQuery(std::string value) {
    assign(this, query_, std::move(value), &RestoreModel::queryChanged);
}
void RestoreModel::setDestinationIsOriginal(bool value) {
    assign(this, destinationIsOriginal_, value, &RestoreModel::destinationIsOriginalChanged);
}
void RestoreModel::setDestinationFolder(std::optional<Path> value) {
    assign(this, destinationFolder_, std::move(value), &RestoreModel::destinationFolderChanged);
}
void RestoreModel::setConflictPolicy(ConflictPolicy value) {
    assign(this, conflictPolicy_, value, &RestoreModel::conflictPolicyChanged);
}
void RestoreModel::setIsRestoring(bool value) {
    assign(this, isRestoring_, value, &RestoreModel::isRestoringChanged);
}
void RestoreModel::setProgress(RestoreProgress value) {
    assign(this, progress_, std::move(value), &RestoreModel::progressChanged);
}
void RestoreModel::setSummary(std::optional<RestoreSummary> value) {
    assign(this, summary_, std::move(value), &RestoreModel::summaryChanged);
}
void RestoreModel::setRestoreTask(std::shared_ptr<RestoreTask> value) {
    assign(this, restoreTask_, std::move(value), &RestoreModel::restoreTaskChanged);
}
void RestoreModel::setIsDeleting(bool value) {
    assign(this, isDeleting_, value, &RestoreModel::isDeletingChanged);
}

QCoro::Task<> RestoreModel::load(RestoreContext context, bool force) {
    if (!context.key) {
        co_return;
    }
    if (!force && loadedAt_ && source_) {
        co_return;
    }
    const std::uint64_t number = ++loadNumber_;
    const QPointer<RestoreModel> self(this);
    const auto current = [&self, number] {
        return self && self->loadNumber_ == number;
    };
    setIsLoading(true);
    setLoadError(std::nullopt);

    const KeldraKey key = *context.key;
    const CancelToken cancel = jobs_.get_token();
    // Jobs and tasks are named before they are awaited: g++ 12 can destroy temporaries of a co_await
    // expression twice.
    auto gather = [api = context.api, destinations = context.destinations, volumes = context.volumes,
                   cancel] {
        return gatherRestoreSources(api.get(), destinations, volumes, cancel);
    };
    auto gathering = onWorker(workers_, WorkGuard::forOwner(this), std::move(gather));
    GatheredSources found = co_await std::move(gathering);
    if (!current()) {
        co_return;
    }
    setSourceOptions(found.options);

    const auto offered = [&found](const Source& candidate) {
        return std::any_of(found.options.begin(), found.options.end(),
                           [&candidate](const SourceOption& option) { return option.id == candidate; });
    };
    std::optional<Source> chosen;
    if (source_ && offered(*source_)) {
        chosen = source_;
    } else if (context.deviceFolderID && offered(Source::keldra(FlexID(*context.deviceFolderID)))) {
        chosen = Source::keldra(FlexID(*context.deviceFolderID));
    } else if (!found.options.empty()) {
        chosen = found.options.front().id;
    }
    setSource(chosen);

    if (!chosen) {
        if (found.keldraError) {
            setLoadError(found.keldraError);
        }
        completeListing(RestoreListing::build(emptyCatalog()), std::nullopt, std::nullopt, nowFrom(context));
    } else if (chosen->isDrive()) {
        const auto root = found.driveRoots.find(chosen->destinationID());
        if (root == found.driveRoots.end()) {
            setLoadError(std::string(driveNotConnected));
        } else {
            const Path deviceDir = LocalFormat::deviceFolder(root->second, chosen->device());
            auto read = [deviceDir, key] {
                return RestoreListing::ofDriveFolder(deviceDir, key);
            };
            auto reading = onWorker(workers_, WorkGuard::forOwner(this), std::move(read));
            RestoreListing listing = co_await std::move(reading);
            if (!current()) {
                co_return;
            }
            completeListing(std::move(listing), chosen, deviceDir, nowFrom(context));
        }
    } else {
        std::optional<RestoreListing> listing;
        std::optional<std::string> failure;
        auto list = [api = context.api, folder = chosen->folderID(), key, cancel] {
            return RestoreListing::ofKeldraFolder(*api, folder, key, cancel);
        };
        auto pending = onWorker(workers_, WorkGuard::forOwner(this), std::move(list));
        try {
            listing = co_await std::move(pending);
        } catch (const StaleWork&) {
            throw;
        } catch (const std::exception& error) {
            failure = errorText(error);
        }
        if (!current()) {
            co_return;
        }
        if (failure) {
            setLoadError(std::move(failure));
        } else {
            completeListing(std::move(*listing), chosen, std::nullopt, nowFrom(context));
        }
    }
    setIsLoading(false);
}

void RestoreModel::completeListing(RestoreListing listing, std::optional<Source> listed,
                                   std::optional<Path> deviceDir, SystemTime now) {
    setDriveDeviceDir(std::move(deviceDir));
    listedSource_ = std::move(listed);
    search_ = std::move(listing.search);
    setCatalog(std::move(listing.catalog));
    setTree(std::move(listing.tree));
    if (selection_) {
        setSelection(nullptr);
    }
    setSelectedVersionID(std::nullopt);
    setLoadedAt(now);
    emit listingCompleted();
}

const std::vector<RestoreNodePtr>& RestoreModel::filteredTree() const {
    if (filteredIndex_ != search_ || filteredQuery_ != query_) {
        filtered_ = search_ ? search_->search(query_) : std::vector<RestoreNodePtr>{};
        filteredIndex_ = search_;
        filteredQuery_ = query_;
    }
    return filtered_;
}

std::vector<RestoreItem> RestoreModel::makeItems(const RestoreNode& node) const {
    return makeRestoreItems(node, selectedVersionID_);
}

QCoro::Task<> RestoreModel::chooseFolder() {
    auto asking = keldra::chooseFolder(folderChooser_, "Choose where to put the restored files.",
                                       "Restore here", WorkGuard::forOwner(this));
    const std::optional<Path> chosen = co_await std::move(asking);
    if (!chosen) {
        co_return;
    }
    setDestinationFolder(*chosen);
    setDestinationIsOriginal(false);
}

QCoro::Task<> RestoreModel::startRestore(RestoreContext context) {
    if (!context.key || !context.engine || !selection_ || isRestoring_) {
        co_return;
    }
    RestorePlan plan{.items = makeItems(*selection_),
                     .source = RestoreSourceKind::keldra(),
                     .destination = RestoreDestination::original(),
                     .policy = conflictPolicy_,
                     .key = *context.key};
    if (plan.items.empty()) {
        co_return;
    }
    // The source of the listing the items came from, taken with them.
    std::optional<RestoreSourceKind> sourceKind = RestoreSourceKind::keldra();
    if (listedSource_ && listedSource_->isDrive()) {
        sourceKind =
            driveDeviceDir_ ? std::optional(RestoreSourceKind::drive(*driveDeviceDir_)) : std::nullopt;
    }
    if (!destinationIsOriginal_) {
        if (!destinationFolder_) {
            auto choosing = chooseFolder();
            co_await std::move(choosing);
            if (isRestoring_ || !destinationFolder_) {
                co_return;
            }
        }
        plan.destination = RestoreDestination::folder(*destinationFolder_);
    }

    setIsRestoring(true);
    setSummary(std::nullopt);
    RestoreProgress start;
    start.total = static_cast<int>(plan.items.size());
    for (const RestoreItem& item : plan.items) {
        start.addBytesTotal(item.size);
    }
    setProgress(start);
    plan.policy = conflictPolicy_;
    if (!sourceKind) {
        setIsRestoring(false);
        co_return;
    }
    plan.source = *sourceKind;

    auto task = std::make_shared<RestoreTask>(workers_.cancelSource());
    setRestoreTask(task);
    // Runs on its own; the screen follows it through the properties.
    detachTask(runRestore(context.engine, std::move(plan), std::move(task)));
}

QCoro::Task<> RestoreModel::runRestore(std::shared_ptr<RestoreEngine> engine, RestorePlan plan,
                                       std::shared_ptr<RestoreTask> task) {
    const QPointer<RestoreModel> self(this);
    FileRevealer* const revealer = &fileRevealer_;
    // The run finishes, and its last file is revealed, even when the model is replaced meanwhile.
    auto run = [engine, plan = std::move(plan), token = task->token(), self] {
        return runRestorePlan(*engine, plan, token, [self](const RestoreProgress& value) {
            postToGuiThread([self, value] {
                if (self) {
                    self->setProgress(value);
                }
            });
        });
    };
    auto running = onWorker(workers_, WorkGuard::forOwner(QCoreApplication::instance()), std::move(run));
    const RestoreSummary summary = co_await std::move(running);
    if (self) {
        self->setSummary(summary);
    }
    if (self) {
        self->setIsRestoring(false);
    }
    if (summary.restored >= 1 && summary.lastWritten) {
        revealer->reveal(*summary.lastWritten);
    }
}

QCoro::Task<std::optional<std::string>> RestoreModel::deleteSelected(RestoreContext context) {
    if (!selection_ || isDeleting_) {
        co_return std::nullopt;
    }
    setIsDeleting(true);
    const std::vector<FlexID> ids = versionIDsBelow(*selection_);
    int failures = 0;
    // The picker names another place than the listing on screen (its load failed or is still running):
    // deleting from either could remove what the user did not mean, so nothing is tried.
    const bool listChanged = source_ != listedSource_;
    if (listChanged) {
        failures = static_cast<int>(ids.size());
    } else if (listedSource_ && listedSource_->isDrive()) {
        auto remove = [deviceDir = driveDeviceDir_, ids] {
            return deleteDriveVersions(deviceDir, ids);
        };
        auto removing = onWorker(workers_, WorkGuard::forOwner(this), std::move(remove));
        failures = co_await std::move(removing);
    } else if (context.api) {
        auto remove = [api = context.api, ids, cancel = jobs_.get_token()] {
            return deleteKeldraVersions(*api, ids, cancel);
        };
        auto removing = onWorker(workers_, WorkGuard::forOwner(this), std::move(remove));
        failures = co_await std::move(removing);
    } else {
        failures = static_cast<int>(ids.size());
    }
    auto reload = load(context, true);
    co_await std::move(reload);
    std::optional<std::string> message;
    if (listChanged) {
        message = std::string(listChangedBeforeDelete);
    } else if (failures > 0) {
        message = std::to_string(failures) + " items couldn't be deleted. Try again.";
    }
    setIsDeleting(false);
    co_return message;
}

} // namespace keldra
