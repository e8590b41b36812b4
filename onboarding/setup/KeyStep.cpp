#include "onboarding/setup/KeyStep.h"

#include "app/model/AppModelView.h"
#include "core/text/Graphemes.h"
#include "design/button/OLButton.h"
#include "design/button/OLSpinner.h"
#include "design/controls/OLCheckbox.h"
#include "design/controls/OLTextField.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "onboarding/auth/AuthTitle.h"
#include "onboarding/common/ReturnRouter.h"
#include "onboarding/common/ScreenParts.h"
#include "onboarding/setup/StrengthMeter.h"

#include <QLineEdit>
#include <QVBoxLayout>

namespace keldra {

namespace {

const QString unattendedSubtitle =
    QStringLiteral("Keeps the key (never the passphrase) in this computer's keyring so scheduled backups run "
                   "after a restart. Leave off to unlock each time the app starts.");

} // namespace

KeyStep::KeyStep(AppModelView& app, std::function<void()> next, QWidget* parent)
    : OLWidget(parent), app_(app), next_(std::move(next)), router_(new ReturnRouter(this)),
      title_(new AuthTitle(QString(), QString())), spinner_(new OLSpinner(OLColor::textMuted)),
      passphraseField_(new OLTextField(QString(), QString(), true)),
      confirmField_(new OLTextField(QStringLiteral("Type it again"), QString(), true)),
      meter_(new StrengthMeter),
      understoodBox_(new OLCheckbox(QStringLiteral("I understand a lost passphrase means lost files"), false,
                                    QStringLiteral("Nobody, including Orlivane support, can open your files "
                                                   "without it."))),
      rememberBox_(new OLCheckbox(QStringLiteral("Allow unattended backups"), false, unattendedSubtitle)),
      errorLine_(makeErrorLine()), mainButton_(makeMainButton(QString())),
      retryButton_(new OLButton(QStringLiteral("Try again"), OLButtonKind::secondary)) {
    // One column for every state; a hidden part takes no room and no spacing.
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(22);
    column->addWidget(title_);
    column->addWidget(spinner_, 0, Qt::AlignLeft);
    auto* fields = new QVBoxLayout;
    fields->setSpacing(10);
    fields->addWidget(passphraseField_);
    fields->addWidget(confirmField_);
    fields->addWidget(meter_);
    column->addLayout(fields);
    column->addWidget(understoodBox_);
    column->addWidget(rememberBox_);
    column->addWidget(errorLine_);
    column->addWidget(mainButton_);
    column->addWidget(retryButton_, 0, Qt::AlignLeft);

    connect(passphraseField_, &OLTextField::textEdited, this, [this](const QString& text) {
        passphrase_ = text;
        refresh();
    });
    connect(confirmField_, &OLTextField::textEdited, this, [this](const QString& text) {
        confirm_ = text;
        refresh();
    });
    connect(understoodBox_, &QAbstractButton::toggled, this, [this](bool on) {
        understood_ = on;
        refresh();
    });
    connect(rememberBox_, &QAbstractButton::toggled, this, [this](bool on) { remember_ = on; });
    mainButton_->setAction([this] { submit(); });
    retryButton_->setAction([this] { retry(); });

    showState();
    connect(&app_, &AppModelView::verifierStateChanged, this, &KeyStep::showState);
    connect(&app_, &AppModelView::isWorkingChanged, this, &KeyStep::refresh);
    // The check that belongs to the step's appearance: once, and only while nothing is known.
    if (app_.verifierState().kind == VerifierState::Kind::unknown) {
        runDetached(app_.checkVerifier());
    }
}

void KeyStep::showEvent(QShowEvent* event) {
    OLWidget::showEvent(event);
    // A layout built before the step was on screen could not take the focus then: the first field takes it
    // now, unless the user is already in another one.
    if (passphraseField() && window()->focusWidget() == nullptr) {
        passphraseField_->lineEdit()->setFocus();
    }
}

bool KeyStep::canCreate() const {
    return graphemeCount(passphrase_.toStdString()) >= minimumLength && passphrase_ == confirm_ &&
           understood_;
}

bool KeyStep::asksPassphrase() const {
    return shown_ == VerifierState::Kind::exists || shown_ == VerifierState::Kind::absent;
}

bool KeyStep::creates() const {
    return shown_ == VerifierState::Kind::absent;
}

void KeyStep::showState() {
    const VerifierState state = app_.verifierState();
    shown_ = state.kind;
    using Kind = VerifierState::Kind;
    switch (shown_) {
    case Kind::unknown:
        title_->setHeading(QStringLiteral("Checking your Keldra"), QStringLiteral("Checking."));
        title_->setSubtitle(std::nullopt);
        break;
    case Kind::exists:
        title_->setHeading(QStringLiteral("Unlock your Keldra"), QStringLiteral("Unlock."));
        title_->setSubtitle(QStringLiteral("Enter the passphrase you use for Keldra on the web. "
                                           "Backups use the same key, so files open in both places."));
        break;
    case Kind::absent:
        title_->setHeading(QStringLiteral("Create a Keldra passphrase"), QStringLiteral("Passphrase."));
        title_->setSubtitle(QStringLiteral(
            "Your files are encrypted on this computer with a key made from it. We never see it "
            "and can't reset it. The web Keldra uses the same passphrase."));
        break;
    case Kind::unavailable:
        title_->setHeading(QStringLiteral("Backups aren't available yet"), QStringLiteral("Waiting."));
        title_->setSubtitle(QString::fromStdString(state.message));
        break;
    }
    spinner_->setVisible(shown_ == Kind::unknown);
    retryButton_->setVisible(shown_ == Kind::unavailable);

    const QString placeholder = creates() ? QStringLiteral("Passphrase (at least 10 characters)")
                                          : QStringLiteral("Keldra passphrase");
    passphraseField_->lineEdit()->setPlaceholderText(placeholder);
    passphraseField_->lineEdit()->setAccessibleName(placeholder);
    passphraseField_->setVisible(asksPassphrase());
    confirmField_->setVisible(creates());
    meter_->setVisible(creates());
    understoodBox_->setVisible(creates());
    rememberBox_->setVisible(asksPassphrase());
    mainButton_->setTitle(creates() ? QStringLiteral("Create passphrase") : QStringLiteral("Continue"));
    mainButton_->setVisible(asksPassphrase());

    // The router knows the fields on screen only. In the create layout the first field has no Return action
    // of its own: a Return there does nothing.
    router_->removeField(passphraseField_);
    router_->removeField(confirmField_);
    if (creates()) {
        router_->addField(passphraseField_, {});
        router_->addField(confirmField_, [this] { submit(); });
    } else if (asksPassphrase()) {
        router_->addField(passphraseField_, [this] { submit(); });
    }
    router_->setDefaultButton(asksPassphrase() ? mainButton_ : nullptr);

    refresh();
    if (asksPassphrase()) {
        passphraseField_->lineEdit()->setFocus();
    }
}

void KeyStep::refresh() {
    if (!asksPassphrase()) {
        errorLine_->hide();
        return;
    }
    meter_->setPassphrase(passphrase_);
    showError(errorLine_, error_);
    mainButton_->setEnabled(creates() ? canCreate() : !passphrase_.isEmpty());
    mainButton_->setLoading(app_.isWorking());
}

void KeyStep::submit() {
    if (app_.isWorking()) {
        return;
    }
    switch (app_.verifierState().kind) {
    case VerifierState::Kind::absent:
        if (!canCreate()) {
            if (passphrase_ != confirm_) {
                error_ = "The passphrases don't match.";
            } else {
                error_.reset();
            }
            refresh();
            return;
        }
        runDetached(submitting(this, app_, passphrase_.toStdString(), remember_, true));
        return;
    case VerifierState::Kind::exists:
        // The model answers whatever the field holds, empty included.
        runDetached(submitting(this, app_, passphrase_.toStdString(), remember_, false));
        return;
    case VerifierState::Kind::unknown:
    case VerifierState::Kind::unavailable:
        return;
    }
}

QCoro::Task<> KeyStep::submitting(QPointer<KeyStep> self, AppModelView& app, std::string passphrase,
                                  bool remember, bool create) {
    QPointer<AppModelView> model(&app);
    std::optional<std::string> error;
    if (create) {
        auto creating = app.createPassphrase(std::move(passphrase), remember);
        error = co_await creating;
    } else {
        auto unlocking = app.unlock(std::move(passphrase), remember);
        error = co_await unlocking;
    }
    if (!self || !model) {
        co_return;
    }
    self->error_ = error;
    if (!error && model->keldraKey()) {
        self->clear();
        if (self->next_) {
            self->next_();
        }
        co_return;
    }
    self->refresh();
}

void KeyStep::retry() {
    runDetached(app_.checkVerifier());
}

void KeyStep::clear() {
    passphrase_.clear();
    confirm_.clear();
    passphraseField_->setText(QString());
    confirmField_->setText(QString());
    refresh();
}

} // namespace keldra
