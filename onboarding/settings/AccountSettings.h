#pragma once
// The Account tab: who is signed in, the plan, storage use and the per-file limit, the portal's plan page
// and the web Keldra, the app's version, and signing out after a confirmation. Account texts come from
// the portal and are shown as plain text.

#include "design/theme/OLWidget.h"

#include <QLabel>
#include <QMessageBox>
#include <QPointer>

namespace keldra {

class AppModelView;
class FormRow;
class OLButton;
class OLProgressBar;
class OLText;

class AccountSettings : public OLWidget {
    Q_OBJECT
public:
    explicit AccountSettings(AppModelView& app, QWidget* parent = nullptr);

    // Selectable, so the address can be copied.
    QLabel* emailText() const { return email_; }
    OLText* planText() const { return plan_; }
    OLButton* managePlanButton() const { return managePlan_; }
    // The storage rows exist always and are shown only with a storage status.
    FormRow* storageRow() const { return storageRow_; }
    FormRow* largestFileRow() const { return largestFileRow_; }
    OLProgressBar* storageBar() const { return bar_; }
    OLText* usageText() const { return usage_; }
    OLText* perFileText() const { return perFile_; }
    OLButton* openInBrowserButton() const { return openWeb_; }
    FormRow* computerRow() const { return computerRow_; }
    OLButton* signOutButton() const { return signOut_; }
    QMessageBox* signOutConfirmation() const { return confirmSignOut_; }

private:
    void refresh();
    void askToSignOut();

    AppModelView& app_;
    QLabel* email_;
    OLText* plan_;
    OLButton* managePlan_;
    OLProgressBar* bar_;
    OLText* usage_;
    FormRow* storageRow_;
    OLText* perFile_;
    FormRow* largestFileRow_;
    OLButton* openWeb_;
    OLButton* signOut_;
    FormRow* computerRow_;
    QPointer<QMessageBox> confirmSignOut_;
};

} // namespace keldra
