#include "onboarding/settings/AccountSettings.h"

#include "app/model/AppModelView.h"
#include "core/platform/AppVersion.h"
#include "design/button/OLButton.h"
#include "design/controls/OLProgressBar.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/text/OLFont.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "design/update/Refresh.h"
#include "onboarding/common/ScreenParts.h"
#include "onboarding/settings/AccountFigures.h"
#include "onboarding/settings/SettingsForm.h"
#include "service/types/PortalLinks.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

// A bar that wants all the width its row gives it, up to its maximum: in a leading-aligned stack it is as
// wide as its maximum where that fits and narrower where it does not.
class WidestBar final : public OLProgressBar {
public:
    using OLProgressBar::OLProgressBar;
    QSize sizeHint() const override { return {maximumWidth(), OLProgressBar::sizeHint().height()}; }
};

} // namespace

AccountSettings::AccountSettings(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app), email_(new QLabel),
      plan_(new OLText(QString(), OLTextStyle::callout, OLColor::textPrimary)),
      managePlan_(makeTextLink(QStringLiteral("Manage plan"))),
      bar_(new WidestBar(0, accentColor(app.accent()), 6, QStringLiteral("Progress"))),
      usage_(new OLText(QString(), OLTextStyle::caption, OLColor::textMuted)),
      storageRow_(new FormRow(QStringLiteral("Keldra storage"), std::nullopt, true,
                              makeStack(Qt::Vertical, 6, {bar_, usage_}))),
      perFile_(new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary)),
      largestFileRow_(new FormRow(QStringLiteral("Largest file"), std::nullopt, true, perFile_)),
      openWeb_(makeTextLink(QStringLiteral("Open in browser"))),
      signOut_(new OLButton(QStringLiteral("Sign out"), OLButtonKind::destructive)),
      computerRow_(new FormRow(QStringLiteral("This computer"),
                               QString::fromStdString(appVersionText(appVersion(), buildNumber())), false,
                               signOut_)) {
    bar_->setMaximumWidth(360);
    // The address comes from the portal: plain text, on one line, selectable and copyable.
    email_->setTextFormat(Qt::PlainText);
    email_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    email_->setFont(olFont(OLTextStyle::mono));
    QPalette palette = email_->palette();
    palette.setColor(QPalette::WindowText, OLColor::textPrimary.qcolor());
    palette.setColor(QPalette::Text, OLColor::textPrimary.qcolor());
    email_->setPalette(palette);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeFormCard({new FormRow(QStringLiteral("Signed in as"), std::nullopt, true, email_),
                                    new FormRow(QStringLiteral("Plan"), std::nullopt, true,
                                                makeStack(Qt::Horizontal, 12, {plan_, managePlan_})),
                                    storageRow_, largestFileRow_,
                                    new FormRow(QStringLiteral("Web Keldra"), std::nullopt, true, openWeb_),
                                    computerRow_}));

    managePlan_->setAction([this] { app_.openPortalPage(portalServicesURL()); });
    openWeb_->setAction([this] { app_.openWebKeldra(); });
    signOut_->setAction([this] { askToSignOut(); });
    connectEach(&app_,
                {&AppModelView::accountChanged, &AppModelView::sessionChanged,
                 &AppModelView::keldraStatusChanged, &AppModelView::accentChanged},
                this, &AccountSettings::refresh);
    refresh();
}

void AccountSettings::refresh() {
    email_->setText(QString::fromStdString(accountEmailText(app_.account(), app_.session())));
    plan_->setText(QString::fromStdString(accountPlanText(app_.account())));
    const std::optional<KeldraStatus>& status = app_.keldraStatus();
    storageRow_->setVisible(status.has_value());
    largestFileRow_->setVisible(status.has_value());
    if (!status) {
        return;
    }
    const std::int64_t used = status->usedBytes.value;
    const std::int64_t quota = status->quotaBytes.value;
    const StorageUse use = storageUse(used, quota);
    bar_->setFraction(use.fraction);
    bar_->setTint(use.nearlyFull ? OLColor::toneWarning : accentColor(app_.accent()));
    usage_->setText(QString::fromStdString(storageUsageText(used, quota)));
    std::optional<std::int64_t> limit;
    if (status->maxFileSizeMb) {
        limit = status->maxFileSizeMb->value;
    }
    perFile_->setText(QString::fromStdString(perFileLimitText(limit)));
}

void AccountSettings::askToSignOut() {
    if (confirmSignOut_) {
        return;
    }
    AppModelView* model = &app_;
    confirmSignOut_ = openConfirmation(
        this, QStringLiteral("Sign out of Orlivane Keldra?"),
        QStringLiteral(
            "Backups stop and the stored key is removed from this computer. Your files stay in the "
            "Keldra."),
        QStringLiteral("Sign out"), QMessageBox::DestructiveRole, model,
        [model] { runDetached(model->signOut()); });
}

} // namespace keldra
