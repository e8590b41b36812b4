#include "onboarding/auth/AuthScaffold.h"

#include "design/brand/KeldraWordmark.h"
#include "design/status/StatusChip.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace keldra {

AuthScaffold::AuthScaffold(QWidget* parent) : ScrollingPage(PageFrame{}, parent) {
    QVBoxLayout* stack = column();
    stack->addWidget(new KeldraWordmark(false), 0, Qt::AlignLeft);
    stack->addSpacing(40);

    content_ = new QVBoxLayout;
    content_->setSpacing(22);
    content_->setContentsMargins(0, 0, 0, 0);
    stack->addLayout(content_);

    stack->addSpacing(40);
    auto* chips = new QHBoxLayout;
    chips->setSpacing(8);
    chips->addWidget(new StatusChip(QStringLiteral("Encrypted on your computer"), StatusTone::secure, false));
    chips->addWidget(new StatusChip(QStringLiteral("Zero-knowledge"), StatusTone::secure, false));
    chips->addWidget(new StatusChip(QStringLiteral("Human support"), StatusTone::info, false));
    chips->addStretch(1);
    stack->addLayout(chips);
    stack->addStretch(1);
}

} // namespace keldra
