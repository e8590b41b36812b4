#pragma once
// A plain filled shape in one colour: palette swatches and tone dots.

#include "design/theme/OLRgba.h"

#include <QWidget>

namespace keldra::gallery {

class ColorChip : public QWidget {
public:
    // `radius` rounds the corners (half the side gives a dot); `outlined` adds the border token.
    ColorChip(const OLRgba& color, QSize size, double radius, bool outlined, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    OLRgba color_;
    double radius_;
    bool outlined_;
};

} // namespace keldra::gallery
