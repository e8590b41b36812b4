#pragma once
// A drawn on/off switch without visible text. A click slides the knob with the style's animation; a value
// set from the model (`setOn`) jumps. `scale` shrinks the whole switch (drive rows use 0.75).

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"

namespace keldra {

class OLAnimatedValue;

class OLSwitch : public OLAbstractButton, public OLAccessibleControl {
    Q_OBJECT
public:
    OLSwitch(bool isOn, QString label, double scale = 1, QWidget* parent = nullptr);

    void setOn(bool on);
    bool isOn() const { return isChecked(); }
    // Where the knob is drawn: 0 at the leading end, 1 at the trailing end.
    double knobPosition() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    OLAccessibleDescription accessibleDescription() const override;
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;

private:
    double scale_;
    OLAnimatedValue* knob_;
};

} // namespace keldra
