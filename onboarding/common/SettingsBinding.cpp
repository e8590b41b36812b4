#include "onboarding/common/SettingsBinding.h"

namespace keldra::SettingsBinding {

bool write(AppModelView& app, const std::function<void(BackupSettings&)>& edit) {
    BackupSettings copy = app.settings();
    edit(copy);
    // A control re-reporting the value it shows changes nothing: no notice, no write to the defaults.
    if (copy == app.settings()) {
        return false;
    }
    app.persistSettings(copy);
    return true;
}

} // namespace keldra::SettingsBinding
