#pragma once
// The unlock screen: the Keldra passphrase, whether to keep the key for unattended backups, the last
// attempt's message, and a confirmed sign-out.

#include "onboarding/auth/AuthScaffold.h"

#include <QPointer>
#include <qcoro/qcorotask.h>

class QMessageBox;

namespace keldra {

class AppModelView;
class OLButton;
class OLCheckbox;
class OLText;
class OLTextField;
class ReturnRouter;

class UnlockView : public AuthScaffold {
    Q_OBJECT
public:
    explicit UnlockView(AppModelView& app, QWidget* parent = nullptr);
    ~UnlockView() override;

    // Unlocks with the typed passphrase, unless it is empty or the model is busy.
    void unlock();
    // Opens the "Sign out?" confirmation; only its confirming button signs out.
    void askSignOut();

    OLTextField* passphraseField() const { return passphrase_; }
    OLCheckbox* rememberBox() const { return remember_; }
    OLText* errorLine() const { return error_; }
    OLButton* unlockButton() const { return unlock_; }
    OLButton* signOutLink() const { return signOut_; }
    // The open confirmation, if any.
    QMessageBox* confirmation() const;

private:
    static QCoro::Task<> unlocking(QPointer<UnlockView> self, AppModelView& app, std::string passphrase,
                                   bool remember);
    void refresh();

    AppModelView& app_;
    OLTextField* passphrase_;
    OLCheckbox* remember_;
    OLText* error_;
    OLButton* unlock_;
    OLButton* signOut_;
    ReturnRouter* router_;
    QPointer<QMessageBox> confirmation_;
};

} // namespace keldra
