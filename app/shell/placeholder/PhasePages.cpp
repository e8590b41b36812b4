#include "app/shell/placeholder/PhasePages.h"

#include "app/model/AppModel.h"
#include "app/shell/placeholder/StatusWidgets.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

namespace keldra {

namespace {

// Starts a model operation from a button; what it reports comes back through the model's properties.
void start(QCoro::Task<> task) {
    detachTask(std::move(task));
}

// Shows the model's last sign-in or set-up error, and greys out `busy` while the model works.
void followWork(AppModel& model, QWidget* page, QLabel* error, QPushButton* busy) {
    const auto update = [model = QPointer<AppModel>(&model), error, busy] {
        if (!model) {
            return;
        }
        error->setText(QString::fromStdString(model->authError().value_or("")));
        error->setVisible(model->authError().has_value());
        busy->setEnabled(!model->isWorking());
    };
    QObject::connect(&model, &AppModel::authErrorChanged, page, update);
    QObject::connect(&model, &AppModel::isWorkingChanged, page, update);
    update();
}

QWidget* titledPage(const QString& title, QVBoxLayout*& layout) {
    auto* page = new QWidget;
    layout = new QVBoxLayout(page);
    QLabel* heading = plainLabel(title, page);
    QFont font = heading->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    return page;
}

} // namespace

QWidget* makeLaunchingPage(AppModel&) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Orlivane Keldra"), layout);
    layout->addWidget(plainLabel(QStringLiteral("Starting\u2026"), page));
    layout->addStretch();
    return page;
}

QWidget* makeSignInPage(AppModel& model) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Sign in"), layout);
    auto* form = new QFormLayout;
    auto* email = new QLineEdit(QString::fromStdString(model.pendingEmail()), page);
    email->setObjectName(QStringLiteral("email"));
    auto* password = new QLineEdit(page);
    password->setObjectName(QStringLiteral("password"));
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("E-mail"), email);
    form->addRow(QStringLiteral("Password"), password);
    layout->addLayout(form);
    QLabel* error = plainLabel({}, page);
    layout->addWidget(error);
    auto* submit = new QPushButton(QStringLiteral("Sign in"), page);
    submit->setDefault(true);
    layout->addWidget(submit, 0, Qt::AlignLeft);
    layout->addStretch();
    const auto signIn = [model = QPointer<AppModel>(&model), email, password] {
        if (!model || model->isWorking()) {
            return;
        }
        model->setPendingEmail(email->text().trimmed().toStdString());
        model->setPendingPassword(password->text().toStdString());
        start(model->signIn());
    };
    QObject::connect(submit, &QPushButton::clicked, page, signIn);
    QObject::connect(password, &QLineEdit::returnPressed, page, signIn);
    followWork(model, page, error, submit);
    return page;
}

QWidget* makeCodePage(AppModel& model) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Enter your code"), layout);
    layout->addWidget(
        plainLabel(QStringLiteral("Enter the six-digit code from your authenticator app."), page));
    auto* code = new QLineEdit(page);
    code->setObjectName(QStringLiteral("code"));
    code->setMaxLength(6);
    layout->addWidget(code);
    QLabel* error = plainLabel({}, page);
    layout->addWidget(error);
    auto* submit = new QPushButton(QStringLiteral("Verify"), page);
    layout->addWidget(submit, 0, Qt::AlignLeft);
    layout->addStretch();
    const auto verify = [model = QPointer<AppModel>(&model), code] {
        if (model && !model->isWorking()) {
            start(model->signIn(code->text().trimmed().toStdString()));
        }
    };
    QObject::connect(submit, &QPushButton::clicked, page, verify);
    QObject::connect(code, &QLineEdit::returnPressed, page, verify);
    followWork(model, page, error, submit);
    return page;
}

namespace {

// A passphrase form: the field, "Keep the key in the keyring for unattended backups", the button, and the
// message an attempt answered with.
QWidget*
passphraseForm(AppModel& model, const QString& buttonTitle,
               std::function<QCoro::Task<std::optional<std::string>>(AppModel&, std::string, bool)> submit) {
    auto* form = new QWidget;
    auto* layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* passphrase = new QLineEdit(form);
    passphrase->setObjectName(QStringLiteral("passphrase"));
    passphrase->setEchoMode(QLineEdit::Password);
    layout->addWidget(passphrase);
    auto* remember =
        new QCheckBox(QStringLiteral("Keep the key in this computer's keyring for unattended backups"), form);
    remember->setChecked(true);
    layout->addWidget(remember);
    QLabel* error = plainLabel({}, form);
    error->hide();
    layout->addWidget(error);
    auto* button = new QPushButton(buttonTitle, form);
    layout->addWidget(button, 0, Qt::AlignLeft);
    const auto go = [model = QPointer<AppModel>(&model), passphrase, remember, error, submit,
                     form = QPointer<QWidget>(form)] {
        if (!model || model->isWorking() || passphrase->text().isEmpty()) {
            return;
        }
        start([](QPointer<AppModel> model, QPointer<QWidget> form, QLabel* error,
                 std::function<QCoro::Task<std::optional<std::string>>(AppModel&, std::string, bool)> submit,
                 std::string text, bool keep) -> QCoro::Task<> {
            auto attempt = submit(*model, std::move(text), keep);
            const std::optional<std::string> message = co_await attempt;
            if (form) {
                error->setText(QString::fromStdString(message.value_or("")));
                error->setVisible(message.has_value());
            }
        }(model, form, error, submit, passphrase->text().toStdString(), remember->isChecked()));
    };
    QObject::connect(button, &QPushButton::clicked, form, go);
    QObject::connect(passphrase, &QLineEdit::returnPressed, form, go);
    QObject::connect(
        &model, &AppModel::isWorkingChanged, button,
        [button, model = QPointer<AppModel>(&model)] { button->setEnabled(model && !model->isWorking()); });
    return form;
}

// The set-up steps, one at a time, following the model: passphrase, device folder, folders, finish.
class SetupPage final : public QWidget {
public:
    explicit SetupPage(AppModel& model) : model_(&model), layout_(new QVBoxLayout(this)) {
        QLabel* heading = plainLabel(QStringLiteral("Set up backups"), this);
        QFont font = heading->font();
        font.setPointSizeF(font.pointSizeF() * 1.6);
        font.setBold(true);
        heading->setFont(font);
        layout_->addWidget(heading);
        layout_->addStretch();
        for (auto signal : {&AppModel::keldraKeyChanged, &AppModel::settingsChanged,
                            &AppModel::sourcesChanged, &AppModel::existingDevicesChanged}) {
            connect(&model, signal, this, &SetupPage::showStep, Qt::QueuedConnection);
        }
        showStep();
        detachTask(model.loadDevices());
    }

private:
    enum class Step { passphrase, device, folders };

    Step currentStep() const {
        if (!model_->keldraKey()) {
            return Step::passphrase;
        }
        return model_->settings().deviceFolderID ? Step::folders : Step::device;
    }

    void showStep() {
        if (!model_) {
            return;
        }
        if (step_ && currentStep() == shown_ && shown_ != Step::folders && shown_ != Step::device) {
            return;
        }
        shown_ = currentStep();
        if (step_) {
            step_->hide();
            step_->deleteLater();
        }
        switch (shown_) {
        case Step::passphrase:
            step_ = passphraseStep();
            break;
        case Step::device:
            step_ = deviceStep();
            break;
        case Step::folders:
            step_ = foldersStep();
            break;
        }
        layout_->insertWidget(1, step_);
    }

    QWidget* passphraseStep() {
        auto* step = new QWidget;
        auto* layout = new QVBoxLayout(step);
        layout->addWidget(
            plainLabel(QStringLiteral("Create your passphrase. It encrypts everything before it leaves "
                                      "this computer; nobody can recover it for you."),
                       step));
        layout->addWidget(
            passphraseForm(*model_, QStringLiteral("Continue"), [](AppModel& m, std::string text, bool keep) {
                return m.createPassphrase(std::move(text), keep);
            }));
        return step;
    }

    QWidget* deviceStep() {
        auto* step = new QWidget;
        auto* layout = new QVBoxLayout(step);
        layout->addWidget(plainLabel(QStringLiteral("Name this computer's backups."), step));
        auto* name = new QLineEdit(QString::fromStdString(model_->settings().deviceName), step);
        name->setObjectName(QStringLiteral("deviceName"));
        layout->addWidget(name);
        QLabel* error = plainLabel({}, step);
        error->hide();
        auto* create = new QPushButton(QStringLiteral("Continue"), step);
        layout->addWidget(create, 0, Qt::AlignLeft);
        const auto choose = [model = model_, error, step = QPointer<QWidget>(step)](
                                std::string text, std::optional<KeldraFolder> reuse) {
            if (!model || model->isWorking()) {
                return;
            }
            start([](QPointer<AppModel> model, QPointer<QWidget> step, QLabel* error, std::string text,
                     std::optional<KeldraFolder> reuse) -> QCoro::Task<> {
                auto choosing = model->chooseDeviceFolder(std::move(text), std::move(reuse));
                const std::optional<std::string> message = co_await choosing;
                if (step) {
                    error->setText(QString::fromStdString(message.value_or("")));
                    error->setVisible(message.has_value());
                }
            }(model, step, error, std::move(text), std::move(reuse)));
        };
        connect(create, &QPushButton::clicked, step,
                [choose, name] { choose(name->text().toStdString(), std::nullopt); });
        if (!model_->existingDevices().empty()) {
            layout->addWidget(
                plainLabel(QStringLiteral("Or continue the backups of an earlier computer:"), step));
            for (const KeldraFolder& folder : model_->existingDevices()) {
                auto* reuse = new QPushButton(QString::fromStdString(folder.name), step);
                connect(reuse, &QPushButton::clicked, step,
                        [choose, folder] { choose(folder.name, folder); });
                layout->addWidget(reuse, 0, Qt::AlignLeft);
            }
        }
        layout->addWidget(error);
        return step;
    }

    QWidget* foldersStep() {
        auto* step = new QWidget;
        auto* layout = new QVBoxLayout(step);
        layout->addWidget(plainLabel(QStringLiteral("Choose the folders to back up."), step));
        for (const BackupSource& source : model_->sources()) {
            layout->addWidget(
                plainLabel(QString::fromStdString(BackupSource::abbreviatePath(source.path)), step));
        }
        auto* add = new QPushButton(QStringLiteral("Add a folder…"), step);
        add->setObjectName(QStringLiteral("addFolder"));
        layout->addWidget(add, 0, Qt::AlignLeft);
        connect(add, &QPushButton::clicked, step, [model = model_] {
            if (!model) {
                return;
            }
            model->services().folderChooser.chooseFolder(
                "Add a folder", "Back up", [model](std::optional<std::filesystem::path> folder) {
                    if (model && folder) {
                        model->addSources({*folder});
                    }
                });
        });
        auto* finish = new QPushButton(QStringLiteral("Finish set-up"), step);
        finish->setObjectName(QStringLiteral("finishSetup"));
        finish->setEnabled(!model_->sources().empty());
        layout->addWidget(finish, 0, Qt::AlignLeft);
        connect(finish, &QPushButton::clicked, step, [model = model_] {
            if (model && !model->isWorking()) {
                start(model->finishSetup(false, false));
            }
        });
        return step;
    }

    QPointer<AppModel> model_;
    QVBoxLayout* layout_;
    QPointer<QWidget> step_;
    Step shown_ = Step::passphrase;
};

} // namespace

QWidget* makeSetupPage(AppModel& model) {
    return new SetupPage(model);
}

QWidget* makeUnlockPage(AppModel& model) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Unlock your Keldra"), layout);
    layout->addWidget(
        plainLabel(QStringLiteral("Enter your passphrase. Scheduled backups wait until you do."), page));
    layout->addWidget(
        passphraseForm(model, QStringLiteral("Unlock"), [](AppModel& m, std::string text, bool keep) {
            return m.unlock(std::move(text), keep);
        }));
    layout->addStretch();
    return page;
}

QWidget* makeReadyPage(AppModel& model) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new BannerStrip(model, page));
    layout->addWidget(new StatusSummary(model, page));
    layout->addStretch();
    return page;
}

} // namespace keldra
