#include "onboarding/auth/SignInView.h"

#include "app/model/AppModelView.h"
#include "design/button/OLButton.h"
#include "design/controls/OLTextField.h"
#include "design/text/OLText.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"
#include "service/types/PortalLinks.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace keldra {

SignInView::SignInView(AppModelView& app, QWidget* parent)
    : AuthScaffold(parent), app_(app),
      email_(new OLTextField(QStringLiteral("Email"), QString::fromStdString(app.pendingEmail()))),
      password_(new OLTextField(QStringLiteral("Password"), QString(), true)), error_(makeErrorLine()),
      signIn_(makeMainButton(QStringLiteral("Sign in"))),
      forgot_(makeTextLink(QStringLiteral("Forgot password?"))),
      getKeldra_(makeTextLink(QStringLiteral("Get Keldra"))), router_(new ReturnRouter(this)) {
    content()->addWidget(
        new AuthTitle(QStringLiteral("Sign in"), QStringLiteral("Sign in."),
                      QStringLiteral("Use your Orlivane account. Keldra comes with Keldra plans, "
                                     "bundles such as Orlivane Plenum, and the free plan.")));
    auto* fields = new QVBoxLayout;
    fields->setSpacing(12);
    fields->addWidget(email_);
    fields->addWidget(password_);
    fields->addWidget(error_);
    content()->addLayout(fields);
    content()->addWidget(signIn_);
    auto* links = new QHBoxLayout;
    links->addWidget(forgot_);
    links->addStretch(1);
    links->addWidget(getKeldra_);
    content()->addLayout(links);

    router_->addField(email_, [this] { submit(); });
    router_->addField(password_, [this] { submit(); });
    router_->setDefaultButton(signIn_);
    signIn_->setAction([this] { submit(); });
    forgot_->setAction([this] { app_.openPortalPage(portalForgotPasswordURL()); });
    getKeldra_->setAction([this] { app_.openPortalPage(portalServicesURL()); });

    connect(email_, &OLTextField::textEdited, this, &SignInView::refresh);
    connect(password_, &OLTextField::textEdited, this, &SignInView::refresh);
    connect(&app_, &AppModelView::authErrorChanged, this, &SignInView::refresh);
    connect(&app_, &AppModelView::isWorkingChanged, this, &SignInView::refresh);
    refresh();
}

void SignInView::submit() {
    const QString email = email_->text();
    const QString password = password_->text();
    if (email.isEmpty() || password.isEmpty() || app_.isWorking()) {
        return;
    }
    app_.setPendingEmail(email.trimmed().toStdString());
    app_.setPendingPassword(password.toStdString());
    // Runs up to its first wait now, so the model is already marked working for the next Return.
    runDetached(app_.signIn());
}

void SignInView::refresh() {
    showError(error_, app_.authError());
    signIn_->setEnabled(!email_->text().isEmpty() && !password_->text().isEmpty());
    signIn_->setLoading(app_.isWorking());
}

} // namespace keldra
