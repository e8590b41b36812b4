#pragma once
// One chosen source in the glass sidebar's "Backup sets": its icon, name and backed-up file count ("off"
// while it cannot be read). Clicking opens the Backups page.

#include "core/settings/BackupSource.h"
#include "screens/chrome/PlainButton.h"

namespace keldra {

class AppModelView;
class OLIcon;
class OLText;

class SidebarSourceRow : public PlainButton {
    Q_OBJECT
public:
    SidebarSourceRow(AppModelView& app, BackupSource source, QWidget* parent = nullptr);

    const BackupSource& source() const { return source_; }
    OLText* countText() const { return count_; }
    OLIcon* icon() const { return icon_; }

protected:
    bool event(QEvent* event) override;

private:
    void refresh();

    AppModelView& app_;
    BackupSource source_;
    OLIcon* icon_;
    OLText* name_;
    OLText* count_;
};

} // namespace keldra
