#pragma once
// The sign-in screen: e-mail and password for the portal account, the model's error, and links to the
// portal's password and plans pages. Everything after the submit is the model's.

#include "onboarding/auth/AuthScaffold.h"

namespace keldra {

class AppModelView;
class OLButton;
class OLText;
class OLTextField;
class ReturnRouter;

class SignInView : public AuthScaffold {
    Q_OBJECT
public:
    explicit SignInView(AppModelView& app, QWidget* parent = nullptr);

    // Signs in with the typed address and password, unless one is empty or the model is busy.
    void submit();

    OLTextField* emailField() const { return email_; }
    OLTextField* passwordField() const { return password_; }
    OLText* errorLine() const { return error_; }
    OLButton* signInButton() const { return signIn_; }
    OLButton* forgotPasswordLink() const { return forgot_; }
    OLButton* getKeldraLink() const { return getKeldra_; }

private:
    void refresh();

    AppModelView& app_;
    OLTextField* email_;
    OLTextField* password_;
    OLText* error_;
    OLButton* signIn_;
    OLButton* forgot_;
    OLButton* getKeldra_;
    ReturnRouter* router_;
};

} // namespace keldra
