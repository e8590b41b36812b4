#include "screens/restore/AppModelRestoreHost.h"

#include "app/model/AppModel.h"

#include <algorithm>
#include <limits>

namespace keldra {

AppModelRestoreHost::AppModelRestoreHost(AppModel& app, QObject* parent)
    : RestoreScreenHost(parent), app_(app) {
    connect(&app, &AppModel::restoreChanged, this, &RestoreScreenHost::restoreModelChanged);
    connect(&app, &AppModel::restoreSearchChanged, this, &RestoreScreenHost::restoreSearchChanged);
    connect(&app, &AppModel::searchFocusRequestChanged, this, &RestoreScreenHost::searchFocusRequestChanged);
    connect(&app, &AppModel::settingsChanged, this, &RestoreScreenHost::settingsChanged);
}

RestoreModel* AppModelRestoreHost::restoreModel() const {
    return app_.restore();
}

std::string AppModelRestoreHost::restoreSearch() const {
    return app_.restoreSearch();
}

void AppModelRestoreHost::setRestoreSearch(std::string value) {
    app_.setRestoreSearch(std::move(value));
}

int AppModelRestoreHost::searchFocusRequest() const {
    return app_.searchFocusRequest();
}

RestoreContext AppModelRestoreHost::restoreContext() const {
    return app_.restoreContext();
}

int AppModelRestoreHost::versionRetentionDays() const {
    return static_cast<int>(
        std::clamp<std::int64_t>(app_.settings().versionRetentionDays, 0, std::numeric_limits<int>::max()));
}

SystemTime AppModelRestoreHost::now() const {
    return app_.services().clock.now();
}

} // namespace keldra
