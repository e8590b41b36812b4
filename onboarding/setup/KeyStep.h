#pragma once
// The first setup step: make sure the model holds the account's key. While the verifier is unknown it
// checks; with one it unlocks with the passphrase in use; without one it creates a new passphrase (at
// least 10 characters, typed twice, acknowledged); when the check failed it says why and offers a retry.

#include "design/theme/OLWidget.h"

#include <QPointer>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>

class QVBoxLayout;

namespace keldra {

class AppModelView;
class OLButton;
class OLCheckbox;
class OLText;
class OLTextField;
class ReturnRouter;
class StrengthMeter;

class KeyStep : public OLWidget {
    Q_OBJECT
public:
    static constexpr std::size_t minimumLength = 10;

    KeyStep(AppModelView& app, std::function<void()> next, QWidget* parent = nullptr);

    // Unlocks or creates by the verifier's state; ignored while the model is busy.
    void submit();
    // Checks the verifier again (the "Try again" button).
    void retry();

    // Whether the create layout's button may run: 10 characters or more, confirmed, acknowledged.
    bool canCreate() const;
    const std::optional<std::string>& error() const { return error_; }

    // The widgets of the current layout; null where the layout has none.
    OLTextField* passphraseField() const { return passphraseField_; }
    OLTextField* confirmField() const { return confirmField_; }
    OLCheckbox* understoodBox() const { return understoodBox_; }
    OLCheckbox* rememberBox() const { return rememberBox_; }
    StrengthMeter* meter() const { return meter_; }
    OLText* errorLine() const { return errorLine_; }
    OLButton* mainButton() const { return mainButton_; }
    ReturnRouter* router() const { return router_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    static QCoro::Task<> submitting(QPointer<KeyStep> self, AppModelView& app, std::string passphrase,
                                    bool remember, bool create);
    void rebuild();
    void refresh();
    void clear();

    AppModelView& app_;
    std::function<void()> next_;
    ReturnRouter* router_;
    QVBoxLayout* stack_;
    QWidget* page_ = nullptr;

    // The step's own state, kept across layout changes.
    QString passphrase_;
    QString confirm_;
    bool understood_ = false;
    bool remember_ = false;
    std::optional<std::string> error_;

    OLTextField* passphraseField_ = nullptr;
    OLTextField* confirmField_ = nullptr;
    OLCheckbox* understoodBox_ = nullptr;
    OLCheckbox* rememberBox_ = nullptr;
    StrengthMeter* meter_ = nullptr;
    OLText* errorLine_ = nullptr;
    OLButton* mainButton_ = nullptr;
};

} // namespace keldra
