#include "onboarding/settings/EncryptionSettings.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/OLSwitch.h"
#include "design/layout/FormRow.h"
#include "design/layout/OLCard.h"
#include "design/status/StateBanner.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/settings/SettingsForm.h"

#include <QVBoxLayout>

namespace keldra {

namespace {

OLButton* secondaryButton(const QString& title, const QString& icon = {}) {
    auto* button = new OLButton(title, OLButtonKind::secondary);
    button->setIconName(icon);
    return button;
}

} // namespace

EncryptionSettings::EncryptionSettings(AppModelView& app, QWidget* parent)
    : OLWidget(parent), app_(app),
      unattended_(new OLSwitch(app.unattended(), QStringLiteral("Unattended backups"))),
      status_(new OLText(QString(), OLTextStyle::callout, OLColor::textSecondary)),
      forget_(secondaryButton(QStringLiteral("Forget key"))),
      lock_(secondaryButton(QStringLiteral("Lock Keldra"), QStringLiteral("icon-security-lock"))),
      keyringError_(new OLText(QString(), OLTextStyle::callout, OLColor::textError)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);
    layout->addWidget(new StateBanner(
        StatusTone::secure, QStringLiteral("Encrypted on this computer"),
        QStringLiteral(
            "Every file and its path is encrypted with AES-256-GCM before upload, using a key made "
            "from your passphrase. Orlivane never sees the passphrase, the key or your files.")));
    layout->addWidget(makeFormCard(
        {new FormRow(
             QStringLiteral("Unattended backups"),
             QStringLiteral("Keeps the Keldra key (never the passphrase) in this computer's keyring so "
                            "scheduled backups run after a restart without asking."),
             true, makeStack(Qt::Horizontal, 14, {unattended_, status_})),
         new FormRow(QStringLiteral("Stored key"),
                     QStringLiteral("Remove the key from the keyring. Backups keep running until you quit or "
                                    "lock the app."),
                     true, forget_),
         new FormRow(QStringLiteral("Lock now"),
                     QStringLiteral("Clears the key from memory and the keyring. You'll need your passphrase "
                                    "to back up or restore."),
                     false, lock_)}));
    // What the keyring refused, so a switch that did not move is explained.
    layout->addWidget(keyringError_);
    layout->addWidget(new StateBanner(
        StatusTone::warning, QStringLiteral("Your passphrase can't be recovered"),
        QStringLiteral("If it's lost, files encrypted with it can't be opened by anyone, including Orlivane "
                       "support. Keep it in a password manager.")));

    // The switch asks the model; it and the text then show what the model did.
    connect(unattended_, &QAbstractButton::clicked, this, [this](bool on) {
        app_.persistUnattended(on);
        refresh();
    });
    forget_->setAction([this] { app_.persistUnattended(false); });
    lock_->setAction([this] { askToLock(); });
    connect(&app_, &AppModelView::unattendedChanged, this, &EncryptionSettings::refresh);
    connect(&app_, &AppModelView::keyringErrorChanged, this, &EncryptionSettings::refresh);
    refresh();
}

void EncryptionSettings::refresh() {
    const bool on = app_.unattended();
    unattended_->setOn(on);
    status_->setText(on ? QStringLiteral("On: key stored in the keyring")
                        : QStringLiteral("Off: backups run while the app is unlocked"));
    forget_->setEnabled(on);
    const std::optional<std::string>& refused = app_.keyringError();
    keyringError_->setText(refused ? QString::fromStdString(*refused) : QString());
    keyringError_->setVisible(refused.has_value());
}

void EncryptionSettings::askToLock() {
    if (confirmLock_) {
        return;
    }
    AppModelView* model = &app_;
    confirmLock_ = openConfirmation(
        this, QStringLiteral("Lock the Keldra?"),
        QStringLiteral("Any running backup stops. You'll need your passphrase to unlock again."),
        QStringLiteral("Lock"), QMessageBox::AcceptRole, model, [model] { model->lock(); });
}

} // namespace keldra
