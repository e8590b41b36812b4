#pragma once
// The first-run flow: passphrase, device, folders and schedule, in that order, under a "STEP n OF 4"
// header. It owns only the step number and resumes an interrupted setup at the first step not yet done.

#include "onboarding/common/ScrollingPage.h"

class QVBoxLayout;

namespace keldra {

class AppModelView;
class OLText;

class SetupFlowView : public ScrollingPage {
    Q_OBJECT
public:
    explicit SetupFlowView(AppModelView& app, QWidget* parent = nullptr);

    // 0 passphrase, 1 device, 2 folders, anything else schedule.
    int step() const { return step_; }
    void setStep(int step);
    // The step on screen.
    QWidget* stepView() const { return stepView_; }
    OLText* stepLabel() const { return label_; }

    // The step an interrupted setup resumes at, from the key, the device folder and the sources.
    static int resumeStep(bool hasKey, bool hasDeviceFolder, bool hasSources, int current);

private:
    QWidget* makeStep();

    AppModelView& app_;
    int step_ = 0;
    OLText* label_;
    QWidget* stepView_ = nullptr;
};

} // namespace keldra
