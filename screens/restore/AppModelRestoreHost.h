#pragma once
// The Restore screen's host over the application model.

#include "screens/restore/RestoreScreenHost.h"

namespace keldra {

class AppModel;

class AppModelRestoreHost final : public RestoreScreenHost {
    Q_OBJECT
public:
    explicit AppModelRestoreHost(AppModel& app, QObject* parent = nullptr);

    RestoreModel* restoreModel() const override;
    std::string restoreSearch() const override;
    void setRestoreSearch(std::string value) override;
    int searchFocusRequest() const override;
    RestoreContext restoreContext() const override;
    int versionRetentionDays() const override;
    SystemTime now() const override;

private:
    AppModel& app_;
};

} // namespace keldra
