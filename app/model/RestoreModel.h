#pragma once

#include "core/seams/CancelToken.h"
#include "restore/catalog/RemoteCatalog.h"
#include "restore/engine/ConflictPolicy.h"
#include "restore/engine/RestoreItem.h"
#include "restore/engine/RestoreProgress.h"
#include "restore/engine/RestoreRun.h"
#include "restore/model/RestoreContext.h"
#include "restore/model/RestoreListing.h"
#include "restore/model/RestoreSource.h"
#include "restore/tree/RestoreNode.h"
#include "service/types/FlexID.h"

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>
#include <vector>

namespace keldra {

class FolderChooser;
class FileRevealer;
class Workers;

// A running (or finished) restore, kept so the screen's Stop can cancel it. Cancelling a finished one
// does nothing.
class RestoreTask {
public:
    explicit RestoreTask(CancelSource cancel) : cancel_(std::move(cancel)) {}
    void cancel() { cancel_.request_stop(); }
    bool isCancelled() const { return cancel_.stop_requested(); }
    CancelToken token() const { return cancel_.get_token(); }

private:
    CancelSource cancel_;
};

// Everything the Restore screen shows and edits: the places to restore from, the listing being browsed
// with its tree and search, the selection, the restore options, and the state of a running restore or
// delete. Lives on the GUI thread; portal calls, drive reads, the catalog and tree builds, the restore
// loop and the deletes run off it. Every property announces a change only when its value really
// changes (the catalog on every assignment).
class RestoreModel final : public QObject {
    Q_OBJECT

public:
    using Source = RestoreSource;
    using SourceOption = RestoreSourceOption;
    using Path = std::filesystem::path;

    // The workers and the seams must outlive the model. Its jobs run on `workers`, so replacing the model
    // (at sign-out) never waits for them.
    RestoreModel(Workers& workers, FolderChooser& folderChooser, FileRevealer& fileRevealer,
                 QObject* parent = nullptr);
    ~RestoreModel() override;

    // The properties, in the order the screen meets them.
    const std::vector<SourceOption>& sourceOptions() const { return sourceOptions_; }
    void setSourceOptions(std::vector<SourceOption> value);
    const std::optional<Source>& source() const { return source_; }
    void setSource(std::optional<Source> value);
    // The browsed device's folder on its drive; none unless a drive source is listed.
    const std::optional<Path>& driveDeviceDir() const { return driveDeviceDir_; }
    void setDriveDeviceDir(std::optional<Path> value);
    const RemoteCatalog& catalog() const { return *catalog_; }
    void setCatalog(std::shared_ptr<const RemoteCatalog> value);
    const std::vector<RestoreNodePtr>& tree() const { return tree_; }
    void setTree(std::vector<RestoreNodePtr> value);
    bool isLoading() const { return isLoading_; }
    void setIsLoading(bool value);
    const std::optional<std::string>& loadError() const { return loadError_; }
    void setLoadError(std::optional<std::string> value);
    const std::optional<SystemTime>& loadedAt() const { return loadedAt_; }
    void setLoadedAt(std::optional<SystemTime> value);
    const RestoreNodePtr& selection() const { return selection_; }
    void setSelection(RestoreNodePtr value);
    const std::optional<FlexID>& selectedVersionID() const { return selectedVersionID_; }
    void setSelectedVersionID(std::optional<FlexID> value);
    const std::string& query() const { return query_; }
    void setQuery(std::string value);
    bool destinationIsOriginal() const { return destinationIsOriginal_; }
    void setDestinationIsOriginal(bool value);
    const std::optional<Path>& destinationFolder() const { return destinationFolder_; }
    void setDestinationFolder(std::optional<Path> value);
    ConflictPolicy conflictPolicy() const { return conflictPolicy_; }
    void setConflictPolicy(ConflictPolicy value);
    bool isRestoring() const { return isRestoring_; }
    void setIsRestoring(bool value);
    const RestoreProgress& progress() const { return progress_; }
    void setProgress(RestoreProgress value);
    const std::optional<RestoreSummary>& summary() const { return summary_; }
    void setSummary(std::optional<RestoreSummary> value);
    const std::shared_ptr<RestoreTask>& restoreTask() const { return restoreTask_; }
    void setRestoreTask(std::shared_ptr<RestoreTask> value);
    bool isDeleting() const { return isDeleting_; }
    void setIsDeleting(bool value);

    // The operations below are coroutines on the GUI thread; one whose model is destroyed while it waits
    // ends with StaleWork.

    // Lists the places to restore from, keeps or picks the source and lists it. Without a key nothing
    // happens; without `force`, nothing either once a source is listed. A load overtaken by a later one
    // writes nothing when it resumes. Failures end up in loadError.
    QCoro::Task<> load(RestoreContext context, bool force);

    // The search result for the current query: up to 500 file nodes in natural order, empty for fewer
    // than two characters. Worked out once per query and listing.
    const std::vector<RestoreNodePtr>& filteredTree() const;

    // The items a restore of `node` needs from the listing shown.
    std::vector<RestoreItem> makeItems(const RestoreNode& node) const;

    // Asks for a folder to restore into; on confirmation it becomes the destination.
    QCoro::Task<> chooseFolder();

    // Checks, sets up and launches a restore of the selection; returns once it runs (or was refused).
    QCoro::Task<> startRestore(RestoreContext context);

    // Deletes every stored version of the selection from the listed source, lists it again and returns
    // the message to show, or none when everything went. Ignored while a delete runs.
    QCoro::Task<std::optional<std::string>> deleteSelected(RestoreContext context);

    // The source the current listing came from (none before the first listing, or when nothing was left
    // to list). Restore and delete act on it, never on the picker's current choice.
    const std::optional<Source>& listedSource() const { return listedSource_; }

signals:
    void sourceOptionsChanged();
    void sourceChanged();
    void driveDeviceDirChanged();
    void catalogChanged();
    void treeChanged();
    void isLoadingChanged();
    void loadErrorChanged();
    void loadedAtChanged();
    void selectionChanged();
    void selectedVersionIDChanged();
    void queryChanged();
    void destinationIsOriginalChanged();
    void destinationFolderChanged();
    void conflictPolicyChanged();
    void isRestoringChanged();
    void progressChanged();
    void summaryChanged();
    void restoreTaskChanged();
    void isDeletingChanged();
    // After every completed listing, also when the new tree's top level has the same ids.
    void listingCompleted();

private:
    void completeListing(RestoreListing listing, std::optional<Source> listed, std::optional<Path> deviceDir,
                         SystemTime now);
    QCoro::Task<> runRestore(std::shared_ptr<RestoreEngine> engine, RestorePlan plan,
                             std::shared_ptr<RestoreTask> task);

    Workers& workers_;
    FolderChooser& folderChooser_;
    FileRevealer& fileRevealer_;

    std::vector<SourceOption> sourceOptions_;
    std::optional<Source> source_;
    std::optional<Path> driveDeviceDir_;
    std::shared_ptr<const RemoteCatalog> catalog_;
    std::vector<RestoreNodePtr> tree_;
    bool isLoading_ = false;
    std::optional<std::string> loadError_;
    std::optional<SystemTime> loadedAt_;
    RestoreNodePtr selection_;
    std::optional<FlexID> selectedVersionID_;
    std::string query_;
    bool destinationIsOriginal_ = true;
    std::optional<Path> destinationFolder_;
    ConflictPolicy conflictPolicy_ = ConflictPolicy::keepBoth;
    bool isRestoring_ = false;
    RestoreProgress progress_;
    std::optional<RestoreSummary> summary_;
    std::shared_ptr<RestoreTask> restoreTask_;
    bool isDeleting_ = false;

    // The listing shown: its search index and the source it came from.
    std::shared_ptr<const RestoreSearchIndex> search_;
    std::optional<Source> listedSource_;
    // Each load takes the next number; only the latest may write after an await.
    std::uint64_t loadNumber_ = 0;
    // Stops the jobs of loads and deletes when the model goes.
    CancelSource jobs_;

    // The search result, kept for the query and listing it was worked out for.
    mutable std::vector<RestoreNodePtr> filtered_;
    mutable std::string filteredQuery_;
    mutable std::shared_ptr<const RestoreSearchIndex> filteredIndex_;
};

} // namespace keldra
