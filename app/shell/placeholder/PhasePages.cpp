#include "app/shell/placeholder/PhasePages.h"

#include "app/model/AppModel.h"
#include "app/shell/placeholder/StatusWidgets.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

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

QWidget* makeSetupPage(AppModel&) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Set up backups"), layout);
    layout->addStretch();
    return page;
}

QWidget* makeUnlockPage(AppModel&) {
    QVBoxLayout* layout = nullptr;
    QWidget* page = titledPage(QStringLiteral("Unlock your Keldra"), layout);
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
