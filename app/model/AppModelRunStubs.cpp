// Stand-ins until the runs are merged in: they do nothing.
#include "app/model/AppModel.h"

namespace keldra {

void AppModel::runBackup(const std::string&, bool, bool, bool, std::optional<std::vector<std::string>>) {}
void AppModel::setPaused(bool paused) {
    setPausedByUser(paused);
}
void AppModel::cancelRun() {}
void AppModel::approveReview() {}
void AppModel::lock() {}
QCoro::Task<std::shared_ptr<BackupIndex>> AppModel::localIndex(LocalDestination) {
    co_return std::shared_ptr<BackupIndex>();
}

} // namespace keldra
