#include "screens/overview/OverviewTiles.h"

#include "app/model/AppModelView.h"
#include "screens/presentation/ScreenFormats.h"

namespace keldra {

LastBackupTile lastBackupTile(const AppModelView& app) {
    if (const auto& last = app.lastRun(); last && last->status == RunStatus::partial) {
        return {countText(last->failed) + QStringLiteral(" files need attention"), StatusTone::warning, true};
    }
    const auto& success = app.lastSuccess();
    if (!success) {
        return {QStringLiteral("Not backed up yet"), StatusTone::warning, false};
    }
    return {QStringLiteral("Completed ") + timestampLower(*success, app.now()), StatusTone::secure, true};
}

} // namespace keldra
