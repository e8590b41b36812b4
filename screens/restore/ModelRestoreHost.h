#pragma once
// The Restore screen's host over the application model (the real one or the gallery's).

#include "screens/restore/RestoreScreenHost.h"

namespace keldra {

class AppModelView;

class ModelRestoreHost final : public RestoreScreenHost {
    Q_OBJECT
public:
    explicit ModelRestoreHost(AppModelView& app, QObject* parent = nullptr);

    RestoreModel* restoreModel() const override;
    std::string restoreSearch() const override;
    void setRestoreSearch(std::string value) override;
    int searchFocusRequest() const override;
    RestoreContext restoreContext() const override;
    int versionRetentionDays() const override;
    SystemTime now() const override;

private:
    AppModelView& app_;
};

} // namespace keldra
