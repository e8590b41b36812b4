#pragma once
// The General tab: open at login, notifications and mains power. "Open at login" is the autostart entry:
// its state is read when the pane is built and again after each toggle, all of that file work off the GUI
// thread. The dock row has no counterpart on Linux and is not built.

#include "design/theme/OLWidget.h"

#include <QPointer>
#include <cstdint>
#include <optional>
#include <qcoro/qcorotask.h>

namespace keldra {

class AppModelView;
class OLCheckbox;
template <typename T> class OLMenuPickerOf;

class GeneralSettings : public OLWidget {
    Q_OBJECT
public:
    explicit GeneralSettings(AppModelView& app, QWidget* parent = nullptr);

    OLCheckbox* openAtLoginBox() const { return openAtLogin_; }
    OLCheckbox* failuresBox() const { return failures_; }
    OLCheckbox* storageBox() const { return storage_; }
    OLMenuPickerOf<std::int64_t>* staleReminderPicker() const { return staleReminder_; }
    OLCheckbox* powerBox() const { return power_; }
    // A read or toggle of "Open at login" whose answer has not come back yet.
    bool isChangingLoginItem() const { return pendingLoginChanges_ > 0; }

signals:
    // The autostart entry's state after a toggle has been read back and shown.
    void loginItemShown();

private:
    void refresh();
    void changeLoginItem(bool enabled);
    // Applies `change` (if any) to the entry through the model, then shows the entry's state.
    void showLoginItem(std::optional<bool> change);
    static QCoro::Task<> showLoginItemTask(QPointer<GeneralSettings> pane, AppModelView* app,
                                           std::optional<bool> change);

    AppModelView& app_;
    OLCheckbox* openAtLogin_;
    OLCheckbox* failures_;
    OLCheckbox* storage_;
    OLMenuPickerOf<std::int64_t>* staleReminder_;
    OLCheckbox* power_;
    int pendingLoginChanges_ = 0;
};

} // namespace keldra
