#include "onboarding/setup/ScheduleStep.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLSegmented.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"
#include "onboarding/common/SettingsBinding.h"

#include <QSignalBlocker>
#include <QVBoxLayout>

namespace keldra {

namespace {

const OptionList<ScheduleKind> kindOptions{{QStringLiteral("Hourly"), ScheduleKind::hourly},
                                           {QStringLiteral("Daily"), ScheduleKind::daily},
                                           {QStringLiteral("Weekly"), ScheduleKind::weekly}};

} // namespace

ScheduleStep::ScheduleStep(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      picker_(new OLSegmentedOf<ScheduleKind>(
          kindOptions, SettingsBinding::getScheduleKind(app),
          [this](const ScheduleKind& kind) { SettingsBinding::setScheduleKind(kind, app_); }, false, 34)),
      sentence_(new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary)),
      launchAtLogin_(
          new OLCheckbox(QStringLiteral("Open at login"), true,
                         QStringLiteral("Needed for scheduled backups after a restart. The app stays "
                                        "in the tray."))),
      notifications_(
          new OLCheckbox(QStringLiteral("Notify me about problems"), true,
                         QStringLiteral("Failed backups, full storage and backups that haven't run for "
                                        "a few days."))),
      start_(makeMainButton(QStringLiteral("Start first backup"))), router_(new ReturnRouter(this)) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(22);
    stack->addWidget(
        new AuthTitle(QStringLiteral("When to back up"), QStringLiteral("Schedule."),
                      QStringLiteral("Backups run in the background. If your computer is asleep, the "
                                     "missed run starts when it wakes.")));
    stack->addWidget(picker_, 0, Qt::AlignLeft);
    stack->addWidget(sentence_);
    auto* options = new QVBoxLayout;
    options->setSpacing(12);
    options->addWidget(launchAtLogin_);
    options->addWidget(notifications_);
    stack->addLayout(options);
    start_->setIconName(QStringLiteral("icon-upload"));
    stack->addWidget(start_);

    start_->setAction([this] { start(); });
    router_->setDefaultButton(start_);
    connect(&app_, &AppModelView::settingsChanged, this, &ScheduleStep::refresh);
    connect(&app_, &AppModelView::phaseChanged, this, [this] { started_ = false; });
    refresh();
}

void ScheduleStep::start() {
    if (started_) {
        return;
    }
    started_ = true;
    runDetached(app_.finishSetup(launchAtLogin_->isOn(), notifications_->isOn()));
}

void ScheduleStep::refresh() {
    // From the model: the picker shows the stored kind without reporting it back.
    const QSignalBlocker blocker(picker_);
    picker_->setValue(app_.settings().schedule.kind);
    sentence_->setText(QString::fromStdString(app_.settings().schedule.summary()) +
                       QStringLiteral(". Change the time in Settings › Backup."));
}

} // namespace keldra
