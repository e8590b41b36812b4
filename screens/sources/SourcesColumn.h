#pragma once
// The glass Overview's card of what this computer backs up: "Backup sets · n" with "Manage", one compact
// source row per source (or the invitation to add folders), the drives with their last copy, the schedule
// with the next run, and this computer's folder in the Keldra. Parts are rebuilt only when their own data
// changes, so a running backup's samples touch none of them.

#include "design/layout/OLCard.h"

#include <vector>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class OLButton;
class OLText;
class SourceRow;

class SourcesColumn : public OLCard {
    Q_OBJECT
public:
    explicit SourcesColumn(AppModelView& app, QWidget* parent = nullptr);

    OLText* countText() const { return count_; }
    OLButton* manageButton() const { return manage_; }
    // Present without sources.
    OLButton* addFoldersButton() const { return addFolders_; }
    const std::vector<SourceRow*>& sourceRows() const { return rows_; }
    // The drive rows' second lines, in destination order.
    const std::vector<OLText*>& driveLines() const { return driveLines_; }
    OLText* scheduleLine() const { return schedule_; }
    OLText* nextRunText() const { return nextRun_; }
    OLText* folderNote() const { return folderNote_; }

private:
    void rebuildSources();
    void rebuildDrives();
    void refreshInfo();

    AppModelView& app_;
    OLText* count_;
    OLButton* manage_;
    OLButton* addFolders_ = nullptr;
    QVBoxLayout* sources_;
    QVBoxLayout* drives_;
    std::vector<SourceRow*> rows_;
    std::vector<OLText*> driveLines_;
    OLText* schedule_;
    OLText* nextRun_;
    OLText* folder_;
    OLText* folderNote_;
};

} // namespace keldra
