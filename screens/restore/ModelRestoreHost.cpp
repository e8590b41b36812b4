#include "screens/restore/ModelRestoreHost.h"

#include "app/model/AppModelView.h"

#include <algorithm>
#include <limits>

namespace keldra {

ModelRestoreHost::ModelRestoreHost(AppModelView& app, QObject* parent)
    : RestoreScreenHost(parent), app_(app) {
    connect(&app, &AppModelView::restoreModelChanged, this, &RestoreScreenHost::restoreModelChanged);
    connect(&app, &AppModelView::restoreSearchChanged, this, &RestoreScreenHost::restoreSearchChanged);
    connect(&app, &AppModelView::searchFocusRequestChanged, this,
            &RestoreScreenHost::searchFocusRequestChanged);
    connect(&app, &AppModelView::settingsChanged, this, &RestoreScreenHost::settingsChanged);
}

RestoreModel* ModelRestoreHost::restoreModel() const {
    return app_.restoreModel();
}

std::string ModelRestoreHost::restoreSearch() const {
    return app_.restoreSearch();
}

void ModelRestoreHost::setRestoreSearch(std::string value) {
    app_.setRestoreSearch(std::move(value));
}

int ModelRestoreHost::searchFocusRequest() const {
    return app_.searchFocusRequest();
}

RestoreContext ModelRestoreHost::restoreContext() const {
    return app_.restoreContext();
}

int ModelRestoreHost::versionRetentionDays() const {
    return static_cast<int>(
        std::clamp<std::int64_t>(app_.settings().versionRetentionDays, 0, std::numeric_limits<int>::max()));
}

SystemTime ModelRestoreHost::now() const {
    return app_.now();
}

} // namespace keldra
