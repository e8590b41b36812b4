#pragma once
// A square tile on a raised fill carrying an icon at 45 % of its side, in the tint or the theme's accent.

#include "design/theme/OLRgba.h"
#include "design/theme/OLWidget.h"

#include <optional>

namespace keldra {

class IconTile : public OLWidget {
    Q_OBJECT
public:
    IconTile(QString icon, std::optional<OLRgba> tint, double size, QWidget* parent = nullptr);

    void setIcon(const QString& icon);
    void setTint(std::optional<OLRgba> tint);
    // The colour the icon is drawn in under the current theme.
    OLRgba iconColor() const;
    double iconSize() const { return size_ * 0.45; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString icon_;
    std::optional<OLRgba> tint_;
    double size_;
};

} // namespace keldra
