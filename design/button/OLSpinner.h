#pragma once
// The small indeterminate progress spinner: spokes fading round a circle, turning while animations run.

#include "design/theme/OLRgba.h"

#include <QWidget>

class QPainter;
class QVariantAnimation;

namespace keldra {

inline constexpr double spinnerSize = 16;

// Draws the spinner in `rect` with its brightest spoke at `phase` (0 to 1 of a turn).
void paintSpinner(QPainter& painter, const QRectF& rect, const OLRgba& color, double phase);

class OLSpinner : public QWidget {
    Q_OBJECT
public:
    explicit OLSpinner(const OLRgba& color, QWidget* parent = nullptr);

    void setColor(const OLRgba& color);
    double phase() const { return phase_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    OLRgba color_;
    double phase_ = 0;
    QVariantAnimation* turn_;
};

} // namespace keldra
