#include "onboarding/auth/TwoFactorView.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/CodeBoxes.h"
#include "design/icon/OLIcon.h"
#include "design/layout/IconTile.h"
#include "design/shape/ContinuousRect.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace keldra {

namespace {

// "Lost your authenticator?": plain text on a rounded surface whose corners follow the style.
class SupportNote : public OLWidget {
public:
    SupportNote() {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(16, 16, 16, 16);
        row->setSpacing(12);
        auto* icon = new OLIcon(QStringLiteral("icon-info"), 18);
        icon->setColor(OLColor::textMuted);
        row->addWidget(icon, 0, Qt::AlignTop);
        row->addWidget(new OLText(QStringLiteral("Lost your authenticator? Contact support. We answer 24/7."),
                                  OLTextStyle::callout, OLColor::textSecondary),
                       1);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        fillContinuousRect(painter, rect(), isGlass(theme()) ? 16 : 10, OLColor::surface.qcolor());
    }
};

QString subtitleFor(const std::string& email) {
    return QStringLiteral("Enter the 6-digit code from your authenticator app for ") +
           QString::fromStdString(email) + QStringLiteral(".");
}

} // namespace

TwoFactorView::TwoFactorView(AppModelView& app, QWidget* parent)
    : AuthScaffold(parent), app_(app), back_(makeTextLink(QStringLiteral("Sign in"))),
      title_(new AuthTitle(QStringLiteral("Two-factor code"), QStringLiteral("Verify."),
                           subtitleFor(app.pendingEmail()))),
      code_(new CodeBoxes(QString(), [this] { verify(); })), error_(makeErrorLine()),
      verify_(makeMainButton(QStringLiteral("Verify"))), router_(new ReturnRouter(this)) {
    back_->setIconName(QStringLiteral("icon-chevron-left"));
    content()->addWidget(back_, 0, Qt::AlignLeft);
    content()->addWidget(new IconTile(QStringLiteral("icon-phone-check"), std::nullopt, 52), 0,
                         Qt::AlignLeft);
    content()->addWidget(title_);
    auto* codeStack = new QVBoxLayout;
    codeStack->setSpacing(10);
    codeStack->addWidget(code_, 0, Qt::AlignLeft);
    codeStack->addWidget(new OLText(QStringLiteral("Paste works too. Codes refresh every 30 seconds."),
                                    OLTextStyle::caption, OLColor::textMuted));
    codeStack->addWidget(error_);
    content()->addLayout(codeStack);
    content()->addWidget(verify_);
    content()->addWidget(new SupportNote);

    router_->setDefaultButton(verify_);
    verify_->setAction([this] { verify(); });
    back_->setAction([this] { backToSignIn(); });
    connect(code_, &CodeBoxes::codeEdited, this, &TwoFactorView::refresh);
    connect(&app_, &AppModelView::authErrorChanged, this, &TwoFactorView::refresh);
    connect(&app_, &AppModelView::isWorkingChanged, this, &TwoFactorView::refresh);
    connect(&app_, &AppModelView::pendingEmailChanged, this,
            [this] { title_->setSubtitle(subtitleFor(app_.pendingEmail())); });
    refresh();
    code_->setFocus();
}

void TwoFactorView::verify() {
    if (code_->code().size() != 6 || app_.isWorking()) {
        return;
    }
    runDetached(verifying(this, app_, code_->code().toStdString()));
}

QCoro::Task<> TwoFactorView::verifying(QPointer<TwoFactorView> self, AppModelView& app, std::string code) {
    QPointer<AppModelView> model(&app);
    auto signingIn = app.signIn(std::move(code));
    co_await signingIn;
    // The screen may have gone with the phase meanwhile.
    if (self && model && model->authError()) {
        self->code_->setCode(QString());
        self->refresh();
    }
}

void TwoFactorView::backToSignIn() {
    app_.setPendingPassword("");
    app_.setAuthError(std::nullopt);
    app_.setPhase(AppPhase::signedOut);
}

void TwoFactorView::refresh() {
    showError(error_, app_.authError());
    verify_->setEnabled(code_->code().size() == 6);
    verify_->setLoading(app_.isWorking());
}

} // namespace keldra
