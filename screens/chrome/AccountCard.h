#pragma once
// The foot of the glass sidebar: the account's avatar, "Account" with the plan name (else the e-mail
// address, else "Keldra"), and while the storage quota is known the used share as a bar and "used of
// quota". Clicking opens Settings.

#include "screens/chrome/PlainButton.h"

namespace keldra {

class AppModelView;
class OLProgressBar;
class OLText;

class AccountCard : public PlainButton {
    Q_OBJECT
public:
    explicit AccountCard(AppModelView& app, QWidget* parent = nullptr);

    OLText* subtitle() const { return subtitle_; }
    // Present while the quota is known and at least one byte.
    OLProgressBar* storageBar() const;
    OLText* storageText() const { return storageText_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refresh();

    AppModelView& app_;
    OLText* subtitle_;
    QWidget* storage_;
    OLProgressBar* bar_;
    OLText* storageText_;
};

} // namespace keldra
