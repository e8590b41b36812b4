#pragma once
// The Encryption tab: how files are protected, keeping the key in the keyring for unattended backups,
// forgetting it, and locking now after a confirmation.

#include "design/theme/OLWidget.h"

#include <QMessageBox>
#include <QPointer>

namespace keldra {

class AppModelView;
class OLButton;
class OLSwitch;
class OLText;

class EncryptionSettings : public OLWidget {
    Q_OBJECT
public:
    explicit EncryptionSettings(AppModelView& app, QWidget* parent = nullptr);

    OLSwitch* unattendedSwitch() const { return unattended_; }
    OLText* unattendedStatus() const { return status_; }
    OLButton* forgetKeyButton() const { return forget_; }
    OLButton* lockButton() const { return lock_; }
    // The keyring's refusal of the last change, shown under the form while there is one.
    OLText* keyringErrorText() const { return keyringError_; }
    // The open "Lock the Keldra?" question, if any.
    QMessageBox* lockConfirmation() const { return confirmLock_; }

private:
    void refresh();
    void askToLock();

    AppModelView& app_;
    OLSwitch* unattended_;
    OLText* status_;
    OLButton* forget_;
    OLButton* lock_;
    OLText* keyringError_;
    QPointer<QMessageBox> confirmLock_;
};

} // namespace keldra
