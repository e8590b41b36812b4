#include "app/shell/placeholder/PlaceholderRoot.h"

#include "app/model/AppModel.h"
#include "app/shell/placeholder/PhasePages.h"

#include <QVBoxLayout>

namespace keldra {

PlaceholderRoot::PlaceholderRoot(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(&model), layout_(new QVBoxLayout(this)) {
    connect(&model, &AppModel::phaseChanged, this, &PlaceholderRoot::showPhase, Qt::QueuedConnection);
    showPhase();
}

void PlaceholderRoot::showPhase() {
    if (!model_) {
        return;
    }
    if (page_ && model_->phase() == shown_) {
        return;
    }
    shown_ = model_->phase();
    if (page_) {
        page_->hide();
        page_->deleteLater();
    }
    AppModel& model = *model_;
    switch (shown_) {
    case AppPhase::launching:
        page_ = makeLaunchingPage(model);
        break;
    case AppPhase::signedOut:
        page_ = makeSignInPage(model);
        break;
    case AppPhase::twoFactor:
        page_ = makeCodePage(model);
        break;
    case AppPhase::setup:
        page_ = makeSetupPage(model);
        break;
    case AppPhase::unlock:
        page_ = makeUnlockPage(model);
        break;
    case AppPhase::ready:
        page_ = makeReadyPage(model);
        break;
    }
    layout_->addWidget(page_);
}

} // namespace keldra
