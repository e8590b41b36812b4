#include "app/shell/placeholder/StatusWidgets.h"

#include "app/model/AppModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace keldra {

QString primaryActionTitle(PrimaryAction action) {
    switch (action) {
    case PrimaryAction::backUpNow:
        return QStringLiteral("Back up now");
    case PrimaryAction::pause:
        return QStringLiteral("Pause");
    case PrimaryAction::resume:
        return QStringLiteral("Resume");
    case PrimaryAction::review:
        return QStringLiteral("Review");
    case PrimaryAction::unlock:
        return QStringLiteral("Unlock");
    case PrimaryAction::signIn:
        return QStringLiteral("Sign in");
    case PrimaryAction::seePlans:
        return QStringLiteral("See plans");
    case PrimaryAction::contactSupport:
        return QStringLiteral("Contact support");
    case PrimaryAction::retry:
        return QStringLiteral("Try again");
    }
    return {};
}

QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

StatusSummary::StatusSummary(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(&model), title_(plainLabel({}, this)), sentence_(plainLabel({}, this)),
      progress_(plainLabel({}, this)), primary_(new QPushButton(this)) {
    QFont big = title_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title_->setFont(big);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(sentence_);
    layout->addWidget(progress_);
    layout->addWidget(primary_, 0, Qt::AlignLeft);
    connect(primary_, &QPushButton::clicked, this, [this] {
        if (model_) {
            if (const auto action = model_->primaryAction()) {
                model_->perform(*action);
            }
        }
    });
    connect(&model, &AppModel::statusChanged, this, &StatusSummary::update);
    update();
}

void StatusSummary::update() {
    if (!model_) {
        return;
    }
    title_->setText(QString::fromStdString(healthTitle(model_->health())));
    sentence_->setText(QString::fromStdString(model_->statusSentence()));
    progress_->setText(QString::fromStdString(model_->progressLine()));
    const auto action = model_->primaryAction();
    primary_->setVisible(action.has_value());
    if (action) {
        primary_->setText(primaryActionTitle(*action));
    }
}

} // namespace keldra
