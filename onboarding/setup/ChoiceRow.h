#pragma once
// One choice of the device step: a selection ring, a title and an optional subtitle on a rounded surface.
// Only the ring shows the selection; a click (or Space, Return) chooses the row.

#include "design/access/OLAccessibleControl.h"
#include "design/button/OLAbstractButton.h"

namespace keldra {

class OLText;

class ChoiceRow : public OLAbstractButton, public OLAccessibleControl {
    Q_OBJECT
public:
    ChoiceRow(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    QString title() const;

    OLAccessibleDescription accessibleDescription() const override;
    void accessiblePress() override { click(); }
    bool hasAccessiblePress() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF ringRect() const;

    OLText* title_;
    bool selected_ = false;
};

} // namespace keldra
