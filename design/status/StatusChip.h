#pragma once
// A capsule with a tone dot and a short word, for rows, cards and the popover.

#include "app/model/ThemeValues.h"
#include "design/access/OLAccessibleControl.h"
#include "design/layout/FirstBaseline.h"
#include "design/theme/OLWidget.h"

namespace keldra {

class StatusChip : public OLWidget, public OLAccessibleControl, public OLBaselineProvider {
    Q_OBJECT
public:
    StatusChip(QString label, StatusTone tone, bool tinted, bool onHero = false, QWidget* parent = nullptr);

    void setLabel(const QString& label);
    void setTone(StatusTone tone);
    void setTinted(bool tinted);
    void setOnHero(bool onHero);

    QString label() const { return label_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    OLAccessibleDescription accessibleDescription() const override;
    double firstBaseline() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QString label_;
    StatusTone tone_;
    bool tinted_;
    bool onHero_;
};

} // namespace keldra
