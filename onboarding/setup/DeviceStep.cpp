#include "onboarding/setup/DeviceStep.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/OLTextField.h"
#include "design/layout/SectionLabel.h"
#include "design/text/OLText.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"
#include "onboarding/setup/ChoiceRow.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

QString subtitleFor(const QString& shownName) {
    return QStringLiteral("Backups go in Backups › ") + shownName +
           QStringLiteral(
               " in your Keldra. Folder names aren't encrypted, so keep it generic: your files' real "
               "names and paths are.");
}

} // namespace

DeviceStep::DeviceStep(AppModelView& app, std::function<void()> next, QWidget* parent)
    : OLWidget(parent), app_(app), next_(std::move(next)),
      name_(QString::fromStdString(BackupSettings::defaultDeviceName())),
      title_(
          new AuthTitle(QStringLiteral("Name this computer"), QStringLiteral("This computer."), QString())),
      stack_(new QVBoxLayout(this)), section_(new QWidget),
      nameField_(new OLTextField(QStringLiteral("Computer name"), name_)), errorLine_(makeErrorLine()),
      continue_(makeMainButton(QStringLiteral("Continue"))), router_(new ReturnRouter(this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(22);
    stack_->addWidget(title_);
    stack_->addWidget(section_);
    stack_->addWidget(nameField_);
    stack_->addWidget(errorLine_);
    stack_->addWidget(continue_);

    router_->addField(nameField_, [this] { continueSetup(); });
    router_->setDefaultButton(continue_);
    continue_->setAction([this] { continueSetup(); });
    connect(nameField_, &OLTextField::textEdited, this, [this](const QString& text) {
        name_ = text;
        refresh();
    });
    connect(&app_, &AppModelView::existingDevicesChanged, this, &DeviceStep::rebuildRows);
    connect(&app_, &AppModelView::isWorkingChanged, this, &DeviceStep::refresh);
    rebuildRows();
    // The device list is fetched once for this step.
    if (!loaded_) {
        loaded_ = true;
        runDetached(loading(this, app_));
    }
}

QCoro::Task<> DeviceStep::loading(QPointer<DeviceStep> self, AppModelView& app) {
    QPointer<AppModelView> model(&app);
    auto listing = app.loadDevices();
    co_await listing;
    if (!self || !model) {
        co_return;
    }
    const std::optional<std::string>& chosen = model->settings().deviceFolderID;
    if (!chosen) {
        co_return;
    }
    for (const KeldraFolder& folder : model->existingDevices()) {
        if (folder.id.raw == *chosen) {
            self->choose(folder);
            break;
        }
    }
}

void DeviceStep::choose(std::optional<KeldraFolder> folder) {
    reuse_ = std::move(folder);
    refresh();
}

void DeviceStep::rebuildRows() {
    // The section is made afresh from the model's list; the one it replaces goes later, off screen.
    rows_.clear();
    auto* section = new QWidget;
    auto* sectionStack = new QVBoxLayout(section);
    sectionStack->setContentsMargins(0, 0, 0, 0);
    sectionStack->setSpacing(8);
    delete stack_->replaceWidget(section_, section);
    section_->hide();
    section_->deleteLater();
    section_ = section;
    sectionStack_ = sectionStack;
    const std::vector<KeldraFolder>& devices = app_.existingDevices();
    section_->setVisible(!devices.empty());
    if (devices.empty()) {
        refresh();
        return;
    }
    sectionStack_->addWidget(new SectionLabel(QStringLiteral("Continue an existing backup")));
    for (const KeldraFolder& folder : devices) {
        // The name is data: shown as typed, never as markup.
        auto* row = new ChoiceRow(QStringLiteral("Continue \u201C") + QString::fromStdString(folder.name) +
                                      QStringLiteral("\u201D"),
                                  QStringLiteral("Use this if it's the same computer, or you've reinstalled. "
                                                 "Files already there aren't uploaded twice."));
        row->setProperty("folderID", QString::fromStdString(folder.id.raw));
        row->setAction([this, folder] { choose(folder); });
        sectionStack_->addWidget(row);
        rows_.push_back(row);
    }
    auto* fresh = new ChoiceRow(QStringLiteral("Start a new backup for this computer"), QString());
    fresh->setAction([this] { choose(std::nullopt); });
    sectionStack_->addWidget(fresh);
    rows_.push_back(fresh);
    refresh();
}

void DeviceStep::refresh() {
    const QString shown =
        reuse_ ? QString::fromStdString(reuse_->name) : (name_.isEmpty() ? QStringLiteral("\u2026") : name_);
    title_->setSubtitle(subtitleFor(shown));
    for (ChoiceRow* row : rows_) {
        const QVariant id = row->property("folderID");
        row->setSelected(id.isValid() ? (reuse_ && QString::fromStdString(reuse_->id.raw) == id.toString())
                                      : !reuse_.has_value());
    }
    nameField_->setVisible(!reuse_.has_value());
    showError(errorLine_, error_);
    continue_->setEnabled(reuse_.has_value() || !name_.trimmed().isEmpty());
    continue_->setLoading(app_.isWorking());
}

void DeviceStep::continueSetup() {
    if (app_.isWorking()) {
        return;
    }
    runDetached(choosing(this, app_, name_.toStdString(), reuse_));
}

QCoro::Task<> DeviceStep::choosing(QPointer<DeviceStep> self, AppModelView& app, std::string name,
                                   std::optional<KeldraFolder> reuse) {
    auto choosingFolder = app.chooseDeviceFolder(std::move(name), std::move(reuse));
    std::optional<std::string> error = co_await choosingFolder;
    if (!self) {
        co_return;
    }
    self->error_ = std::move(error);
    if (!self->error_) {
        if (self->next_) {
            self->next_();
        }
        co_return;
    }
    self->refresh();
}

} // namespace keldra
