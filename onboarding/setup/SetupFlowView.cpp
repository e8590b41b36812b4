#include "onboarding/setup/SetupFlowView.h"

#include "app/model/AppModelView.h"
#include "design/brand/KeldraWordmark.h"
#include "design/motion/CrossFade.h"
#include "design/text/OLText.h"
#include "design/theme/OLColor.h"
#include "design/theme/OLThemeValues.h"
#include "onboarding/setup/DeviceStep.h"
#include "onboarding/setup/FoldersStep.h"
#include "onboarding/setup/KeyStep.h"
#include "onboarding/setup/ScheduleStep.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace keldra {

namespace {

constexpr PageFrame setupFrame{560, 64, 32, 300, 0.45};

} // namespace

SetupFlowView::SetupFlowView(AppModelView& app, QWidget* parent)
    : ScrollingPage(setupFrame, parent), app_(app),
      label_(new OLText(QString(), OLTextStyle::eyebrow, OLColor::textMuted)) {
    auto* header = new QHBoxLayout;
    header->addWidget(new KeldraWordmark(false));
    header->addStretch(1);
    header->addWidget(label_);
    column()->addLayout(header);
    column()->addSpacing(36);
    step_ = resumeStep(app_.keldraKey().has_value(), app_.settings().deviceFolderID.has_value(),
                       !app_.sources().empty(), step_);
    stepView_ = makeStep();
    column()->addWidget(stepView_);
    column()->addStretch(1);
    label_->setText(QStringLiteral("STEP %1 OF 4").arg(step_ + 1));
}

int SetupFlowView::resumeStep(bool hasKey, bool hasDeviceFolder, bool hasSources, int current) {
    if (!hasKey) {
        return current;
    }
    if (!hasDeviceFolder) {
        return 1;
    }
    return hasSources ? 3 : 2;
}

void SetupFlowView::setStep(int step) {
    step_ = step;
    label_->setText(QStringLiteral("STEP %1 OF 4").arg(step_ + 1));
    // The step left behind fades out over the next one along the style's curve.
    QWidget* fading = crossFadeFrom(stepView_, phaseAnimation(theme()), true);
    QWidget* next = makeStep();
    delete column()->replaceWidget(stepView_, next);
    // The step left behind goes once its own call (the continuation) has returned.
    stepView_->hide();
    stepView_->deleteLater();
    stepView_ = next;
    if (fading != nullptr) {
        fading->raise();
    }
}

QWidget* SetupFlowView::makeStep() {
    switch (step_) {
    case 0:
        return new KeyStep(app_, [this] { setStep(1); });
    case 1:
        return new DeviceStep(app_, [this] { setStep(2); });
    case 2:
        return new FoldersStep(app_, [this] { setStep(3); });
    default:
        return new ScheduleStep(app_);
    }
}

} // namespace keldra
