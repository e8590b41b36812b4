#pragma once
// Where the copies go, on the Backups page: the off-site row for the Keldra and a row per backup drive,
// "Add a backup drive…" with its notice when a drive cannot be added, the confirmation before a drive is
// dropped from the list, and a note on drive backups. Rows are rebuilt from the model whenever the drives,
// their states or the running flag change.

#include "design/status/StateBanner.h"
#include "design/theme/OLWidget.h"
#include "design/update/Refresh.h"

#include <QMessageBox>
#include <QPointer>
#include <filesystem>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>
#include <vector>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class DriveRow;
class OLButton;
class OLText;
class SectionLabel;

class DestinationsSection : public OLWidget {
    Q_OBJECT
public:
    explicit DestinationsSection(AppModelView& app, QWidget* parent = nullptr);

    SectionLabel* heading() const { return heading_; }
    OLButton* addButton() const { return add_; }
    // The notice of the last refused add; none when there is none.
    StateBanner* addErrorBanner() const { return banner_; }
    const std::optional<std::string>& addError() const { return addError_; }
    const std::vector<DriveRow*>& rows() const { return rows_; }
    QWidget* offsiteRow() const { return offsite_; }
    // The note on drive backups below the rows.
    OLText* note() const { return note_; }
    // The removal confirmation while open, and the drive it is about.
    QMessageBox* removeDialog() const { return dialog_; }
    const std::optional<std::string>& removing() const { return removing_; }

    // The add flow with a chosen folder (what the dialog hands over).
    QCoro::Task<> addDrive(std::filesystem::path folder);
    // Opens the drive dialog (the button's action).
    void chooseDrive();
    // Opens the removal confirmation for the drive `id`.
    void confirmRemoval(const std::string& id);

protected:
    void themeChanged(const OLTheme& theme) override;

private:
    void rebuild();
    void showAddError(std::optional<std::string> message);
    void openDriveDialog();
    // Looks for the drive dialog's start folder on the model's workers (the mount folders are file work).
    void lookUpDriveStart();
    static QCoro::Task<> lookUpDriveStartTask(QPointer<DestinationsSection> view, AppModelView* app);
    static QCoro::Task<> addDriveTask(QPointer<DestinationsSection> view, AppModelView* app,
                                      std::filesystem::path folder);

    AppModelView& app_;
    std::optional<std::string> addError_;
    std::optional<std::string> removing_;
    SectionLabel* heading_;
    OLButton* add_;
    QVBoxLayout* layout_;
    QPointer<StateBanner> banner_;
    QPointer<QWidget> list_;
    QPointer<QWidget> offsite_;
    OLText* note_ = nullptr;
    std::vector<DriveRow*> rows_;
    QPointer<QMessageBox> dialog_;
    // A row's own control may have caused the change: it is replaced after its handler returns.
    NextTurn rebuildTurn_{this, [this] {
                              rebuild();
                          }};
    // Where the drive dialog opens, once looked up; a click before that opens it when the answer comes.
    std::optional<std::filesystem::path> driveStart_;
    bool lookingUp_ = false;
    bool dialogWanted_ = false;
};

} // namespace keldra
