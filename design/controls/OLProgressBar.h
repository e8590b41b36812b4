#pragma once
// A thin capsule bar for a fraction done: a faint track and a fill in the caller's tint that is never
// narrower than the bar is tall (a dot at 0 %) and never wider than the track.

#include "design/access/OLAccessibleControl.h"
#include "design/theme/OLRgba.h"
#include "design/theme/OLWidget.h"

namespace keldra {

class OLProgressBar : public OLWidget, public OLAccessibleControl {
    Q_OBJECT
public:
    OLProgressBar(double fraction, const OLRgba& tint, double height, QString label,
                  QWidget* parent = nullptr);

    void setFraction(double fraction);
    double fraction() const { return fraction_; }
    void setTint(const OLRgba& tint);
    // The fill's width at the current size.
    double fillWidth() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    OLAccessibleDescription accessibleDescription() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_;
    OLRgba tint_;
    double height_;
    QString label_;
};

} // namespace keldra
