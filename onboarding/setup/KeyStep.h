#pragma once
// The first setup step: make sure the model holds the account's key. While the verifier is unknown it
// checks; with one it unlocks with the passphrase in use; without one it creates a new passphrase (at
// least 10 characters, typed twice, acknowledged); when the check failed it says why and offers a retry.

#include "app/model/ModelValues.h"
#include "design/theme/OLWidget.h"

#include <QPointer>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>

namespace keldra {

class AppModelView;
class AuthTitle;
class OLButton;
class OLCheckbox;
class OLSpinner;
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
    OLTextField* passphraseField() const { return asksPassphrase() ? passphraseField_ : nullptr; }
    OLTextField* confirmField() const { return creates() ? confirmField_ : nullptr; }
    OLCheckbox* understoodBox() const { return creates() ? understoodBox_ : nullptr; }
    OLCheckbox* rememberBox() const { return asksPassphrase() ? rememberBox_ : nullptr; }
    StrengthMeter* meter() const { return creates() ? meter_ : nullptr; }
    OLText* errorLine() const { return asksPassphrase() ? errorLine_ : nullptr; }
    OLButton* mainButton() const { return asksPassphrase() ? mainButton_ : nullptr; }
    ReturnRouter* router() const { return router_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    static QCoro::Task<> submitting(QPointer<KeyStep> self, AppModelView& app, std::string passphrase,
                                    bool remember, bool create);
    // Shows the layout of the verifier's state: every part is built once, the state picks what shows.
    void showState();
    void refresh();
    void clear();
    // Whether the shown layout is the unlock or the create one, and the create one.
    bool asksPassphrase() const;
    bool creates() const;

    AppModelView& app_;
    std::function<void()> next_;
    ReturnRouter* router_;
    VerifierState::Kind shown_ = VerifierState::Kind::unknown;

    // The step's own state, kept across layout changes.
    QString passphrase_;
    QString confirm_;
    bool understood_ = false;
    bool remember_ = false;
    std::optional<std::string> error_;

    AuthTitle* title_;
    OLSpinner* spinner_;
    OLTextField* passphraseField_;
    OLTextField* confirmField_;
    StrengthMeter* meter_;
    OLCheckbox* understoodBox_;
    OLCheckbox* rememberBox_;
    OLText* errorLine_;
    OLButton* mainButton_;
    OLButton* retryButton_;
};

} // namespace keldra
