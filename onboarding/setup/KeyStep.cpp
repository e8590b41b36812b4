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
      stack_(new QVBoxLayout(this)) {
    stack_->setContentsMargins(0, 0, 0, 0);
    rebuild();
    connect(&app_, &AppModelView::verifierStateChanged, this, &KeyStep::rebuild);
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
    if (passphraseField_ && window()->focusWidget() == nullptr) {
        passphraseField_->lineEdit()->setFocus();
    }
}

bool KeyStep::canCreate() const {
    return graphemeCount(passphrase_.toStdString()) >= minimumLength && passphrase_ == confirm_ &&
           understood_;
}

void KeyStep::rebuild() {
    if (page_) {
        page_->hide();
        page_->deleteLater();
    }
    passphraseField_ = confirmField_ = nullptr;
    understoodBox_ = rememberBox_ = nullptr;
    meter_ = nullptr;
    errorLine_ = nullptr;
    mainButton_ = nullptr;
    router_->setDefaultButton(nullptr);

    page_ = new QWidget(this);
    auto* column = new QVBoxLayout(page_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(22);
    stack_->addWidget(page_);

    const VerifierState state = app_.verifierState();
    auto makeRemember = [this] {
        rememberBox_ =
            new OLCheckbox(QStringLiteral("Allow unattended backups"), remember_, unattendedSubtitle);
        connect(rememberBox_, &QAbstractButton::toggled, this, [this](bool on) { remember_ = on; });
        return rememberBox_;
    };
    auto makePassphrase = [this](const QString& placeholder, QString& value) {
        auto* field = new OLTextField(placeholder, value, true);
        connect(field, &OLTextField::textEdited, this, [this, &value](const QString& text) {
            value = text;
            refresh();
        });
        return field;
    };

    switch (state.kind) {
    case VerifierState::Kind::unknown: {
        column->addWidget(new AuthTitle(QStringLiteral("Checking your Keldra"), QStringLiteral("Checking.")));
        column->addWidget(new OLSpinner(OLColor::textMuted), 0, Qt::AlignLeft);
        break;
    }
    case VerifierState::Kind::exists: {
        column->addWidget(
            new AuthTitle(QStringLiteral("Unlock your Keldra"), QStringLiteral("Unlock."),
                          QStringLiteral("Enter the passphrase you use for Keldra on the web. "
                                         "Backups use the same key, so files open in both places.")));
        passphraseField_ = makePassphrase(QStringLiteral("Keldra passphrase"), passphrase_);
        router_->addField(passphraseField_, [this] { submit(); });
        column->addWidget(passphraseField_);
        column->addWidget(makeRemember());
        errorLine_ = makeErrorLine();
        column->addWidget(errorLine_);
        mainButton_ = makeMainButton(QStringLiteral("Continue"));
        column->addWidget(mainButton_);
        break;
    }
    case VerifierState::Kind::absent: {
        column->addWidget(new AuthTitle(
            QStringLiteral("Create a Keldra passphrase"), QStringLiteral("Passphrase."),
            QStringLiteral(
                "Your files are encrypted on this computer with a key made from it. We never see it "
                "and can't reset it. The web Keldra uses the same passphrase.")));
        auto* fields = new QVBoxLayout;
        fields->setSpacing(10);
        passphraseField_ = makePassphrase(QStringLiteral("Passphrase (at least 10 characters)"), passphrase_);
        confirmField_ = makePassphrase(QStringLiteral("Type it again"), confirm_);
        // The first field has no Return action of its own: a Return there does nothing.
        router_->addField(passphraseField_, {});
        router_->addField(confirmField_, [this] { submit(); });
        meter_ = new StrengthMeter;
        fields->addWidget(passphraseField_);
        fields->addWidget(confirmField_);
        fields->addWidget(meter_);
        column->addLayout(fields);
        understoodBox_ =
            new OLCheckbox(QStringLiteral("I understand a lost passphrase means lost files"), understood_,
                           QStringLiteral("Nobody, including Orlivane support, can open your files "
                                          "without it."));
        connect(understoodBox_, &QAbstractButton::toggled, this, [this](bool on) {
            understood_ = on;
            refresh();
        });
        column->addWidget(understoodBox_);
        column->addWidget(makeRemember());
        errorLine_ = makeErrorLine();
        column->addWidget(errorLine_);
        mainButton_ = makeMainButton(QStringLiteral("Create passphrase"));
        column->addWidget(mainButton_);
        break;
    }
    case VerifierState::Kind::unavailable: {
        column->addWidget(new AuthTitle(QStringLiteral("Backups aren't available yet"),
                                        QStringLiteral("Waiting."), QString::fromStdString(state.message)));
        auto* retryButton = new OLButton(QStringLiteral("Try again"), OLButtonKind::secondary);
        retryButton->setAction([this] { retry(); });
        column->addWidget(retryButton, 0, Qt::AlignLeft);
        break;
    }
    }
    if (mainButton_) {
        mainButton_->setAction([this] { submit(); });
        router_->setDefaultButton(mainButton_);
    }
    refresh();
    if (passphraseField_) {
        passphraseField_->lineEdit()->setFocus();
    }
}

void KeyStep::refresh() {
    if (meter_) {
        meter_->setPassphrase(passphrase_);
    }
    if (errorLine_) {
        showError(errorLine_, error_);
    }
    if (mainButton_) {
        const bool create = app_.verifierState().kind == VerifierState::Kind::absent;
        mainButton_->setEnabled(create ? canCreate() : !passphrase_.isEmpty());
        mainButton_->setLoading(app_.isWorking());
    }
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
    if (passphraseField_) {
        passphraseField_->setText(QString());
    }
    if (confirmField_) {
        confirmField_->setText(QString());
    }
    refresh();
}

} // namespace keldra
