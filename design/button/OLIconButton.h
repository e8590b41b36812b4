#pragma once
// A square icon-only button: a 15 px icon on a small rounded tile that lightens under the pointer, with a
// tooltip that is also its accessible name. No pressed look.

#include "design/button/OLAbstractButton.h"

namespace keldra {

class OLIconButton : public OLAbstractButton {
    Q_OBJECT
public:
    OLIconButton(const QString& icon, const QString& label, double size, QWidget* parent = nullptr);

    const QString& iconName() const { return icon_; }
    void setIconName(const QString& icon);
    // Tooltip and accessible name.
    void setLabel(const QString& label);
    QString label() const { return toolTip(); }
    void setSide(double size);
    double side() const { return size_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString icon_;
    double size_;
};

} // namespace keldra
