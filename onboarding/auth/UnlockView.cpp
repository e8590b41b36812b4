#include "onboarding/auth/UnlockView.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLConfirmation.h"
#include "design/controls/OLTextField.h"
#include "design/layout/IconTile.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QVBoxLayout>

namespace keldra {

UnlockView::UnlockView(AppModelView& app, QWidget* parent)
    : AuthScaffold(parent), app_(app),
      passphrase_(new OLTextField(QStringLiteral("Keldra passphrase"), QString(), true)),
      remember_(
          new OLCheckbox(QStringLiteral("Keep the key on this computer for unattended backups"), false,
                         QStringLiteral("Stored in the keyring so scheduled backups run after a restart. "
                                        "You can forget it any time in Settings › Encryption."))),
      error_(makeErrorLine()), unlock_(makeMainButton(QStringLiteral("Unlock"))),
      signOut_(makeTextLink(QStringLiteral("Sign out"))), router_(new ReturnRouter(this)) {
    content()->addWidget(new IconTile(QStringLiteral("icon-keldra"), std::nullopt, 52), 0, Qt::AlignLeft);
    content()->addWidget(
        new AuthTitle(QStringLiteral("Unlock your Keldra"), QStringLiteral("Locked."),
                      QStringLiteral("Enter your Keldra passphrase. It never leaves this "
                                     "computer; it makes the key that encrypts your files.")));
    auto* form = new QVBoxLayout;
    form->setSpacing(12);
    form->addWidget(passphrase_);
    form->addWidget(remember_);
    form->addWidget(error_);
    content()->addLayout(form);
    content()->addWidget(unlock_);
    content()->addWidget(
        new OLText(QStringLiteral("Forgotten passphrases can't be recovered. Files encrypted "
                                  "with it can't be opened by anyone, including us."),
                   OLTextStyle::caption, OLColor::textMuted));
    content()->addWidget(signOut_, 0, Qt::AlignLeft);

    router_->addField(passphrase_, [this] { unlock(); });
    router_->setDefaultButton(unlock_);
    unlock_->setAction([this] { unlock(); });
    signOut_->setAction([this] { askSignOut(); });
    connect(passphrase_, &OLTextField::textEdited, this, &UnlockView::refresh);
    connect(&app_, &AppModelView::isWorkingChanged, this, &UnlockView::refresh);
    refresh();
    passphrase_->lineEdit()->setFocus();
}

UnlockView::~UnlockView() = default;

QMessageBox* UnlockView::confirmation() const {
    return confirmation_;
}

void UnlockView::unlock() {
    const QString passphrase = passphrase_->text();
    if (passphrase.isEmpty() || app_.isWorking()) {
        return;
    }
    // The previous message stays while this attempt runs.
    runDetached(unlocking(this, app_, passphrase.toStdString(), remember_->isOn()));
}

QCoro::Task<> UnlockView::unlocking(QPointer<UnlockView> self, AppModelView& app, std::string passphrase,
                                    bool remember) {
    auto attempt = app.unlock(std::move(passphrase), remember);
    const std::optional<std::string> error = co_await attempt;
    if (!self) {
        co_return; // the phase moved on and took the screen with it
    }
    showError(self->error_, error);
    if (!error) {
        self->passphrase_->setText(QString());
    }
    self->refresh();
}

void UnlockView::askSignOut() {
    if (confirmation_) {
        return;
    }
    AppModelView* model = &app_;
    confirmation_ =
        openConfirmation(this, QStringLiteral("Sign out?"), QString(), QStringLiteral("Sign out"),
                         QMessageBox::DestructiveRole, model, [model] { runDetached(model->signOut()); });
}

void UnlockView::refresh() {
    unlock_->setEnabled(!passphrase_->text().isEmpty());
    unlock_->setLoading(app_.isWorking());
}

} // namespace keldra
