#pragma once
// The application's monochrome icons by asset name ("icon-folder"), drawn as templates: rendered from SVG
// at the device's pixel ratio, tinted with the colour of their context, aspect kept, centred in a square.
// An unknown name draws nothing and is logged once.

#include "design/theme/OLRgba.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

class QPainter;

namespace keldra {

bool olIconExists(const QString& name);

// A tinted image of `size` × `size` logical pixels at `devicePixelRatio`; null for an unknown name.
QPixmap olIconPixmap(const QString& name, double size, const QColor& tint, double devicePixelRatio);

// Draws the icon centred in `rect` (fit), at the painter's device pixel ratio.
void olDrawIcon(QPainter& painter, const QRectF& rect, const QString& name, const QColor& tint);

// The icon as a widget of its own, `size` × `size`. Hidden from assistive technology: the control that
// holds it carries the label.
class OLIcon : public QWidget {
    Q_OBJECT
public:
    OLIcon(const QString& name, double size, QWidget* parent = nullptr);

    void setName(const QString& name);
    const QString& name() const { return name_; }
    void setIconSize(double size);
    double iconSize() const { return size_; }
    void setColor(const OLRgba& color);
    const OLRgba& color() const { return color_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double size_;
    OLRgba color_{0xEC, 0xEF, 0xF4, 1};
};

} // namespace keldra
