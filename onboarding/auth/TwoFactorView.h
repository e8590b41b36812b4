#pragma once
// The two-factor screen: six code boxes that submit on the sixth digit, the model's error (which empties
// the boxes), and a link back to sign-in that keeps the address.

#include "onboarding/auth/AuthScaffold.h"

#include <QPointer>
#include <qcoro/qcorotask.h>

namespace keldra {

class AppModelView;
class AuthTitle;
class CodeBoxes;
class OLButton;
class OLText;
class ReturnRouter;

class TwoFactorView : public AuthScaffold {
    Q_OBJECT
public:
    explicit TwoFactorView(AppModelView& app, QWidget* parent = nullptr);

    // Signs in with the code once it has six digits, unless the model is busy.
    void verify();
    // Back to the sign-in screen: the password and the error go, the address stays.
    void backToSignIn();

    CodeBoxes* codeBoxes() const { return code_; }
    OLText* errorLine() const { return error_; }
    OLButton* verifyButton() const { return verify_; }
    OLButton* backLink() const { return back_; }
    AuthTitle* title() const { return title_; }

private:
    static QCoro::Task<> verifying(QPointer<TwoFactorView> self, AppModelView& app, std::string code);
    void refresh();

    AppModelView& app_;
    OLButton* back_;
    AuthTitle* title_;
    CodeBoxes* code_;
    OLText* error_;
    OLButton* verify_;
    ReturnRouter* router_;
};

} // namespace keldra
