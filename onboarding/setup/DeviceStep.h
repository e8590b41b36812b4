#pragma once
// The second setup step: which folder in the Keldra receives this computer's backups, a new one named
// here or an existing device folder from an earlier installation.

#include "design/theme/OLWidget.h"
#include "service/types/KeldraFolder.h"

#include <QPointer>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>
#include <vector>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class AuthTitle;
class ChoiceRow;
class OLButton;
class OLText;
class OLTextField;
class ReturnRouter;
class SectionLabel;

class DeviceStep : public OLWidget {
    Q_OBJECT
public:
    DeviceStep(AppModelView& app, std::function<void()> next, QWidget* parent = nullptr);

    // Creates or reuses the device folder, unless the model is busy.
    void continueSetup();
    // Chooses an existing folder to continue, or none for a new backup.
    void choose(std::optional<KeldraFolder> folder);

    const std::optional<KeldraFolder>& reuse() const { return reuse_; }
    AuthTitle* title() const { return title_; }
    OLTextField* nameField() const { return nameField_; }
    OLText* errorLine() const { return errorLine_; }
    OLButton* continueButton() const { return continue_; }
    // The "Continue …" rows in list order, then the new-backup row; empty without existing folders.
    const std::vector<ChoiceRow*>& rows() const { return rows_; }

private:
    static QCoro::Task<> loading(QPointer<DeviceStep> self, AppModelView& app);
    static QCoro::Task<> choosing(QPointer<DeviceStep> self, AppModelView& app, std::string name,
                                  std::optional<KeldraFolder> reuse);
    void rebuildRows();
    void refresh();

    AppModelView& app_;
    std::function<void()> next_;
    QString name_;
    std::optional<KeldraFolder> reuse_;
    std::optional<std::string> error_;
    bool loaded_ = false;

    AuthTitle* title_;
    QVBoxLayout* stack_;
    QWidget* section_;
    QVBoxLayout* sectionStack_ = nullptr;
    std::vector<ChoiceRow*> rows_;
    OLTextField* nameField_;
    OLText* errorLine_;
    OLButton* continue_;
    ReturnRouter* router_;
};

} // namespace keldra
