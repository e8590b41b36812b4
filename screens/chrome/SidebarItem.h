#pragma once
// One page of the glass sidebar: the page's icon and title, 34 px high on a rounded fill while it is the
// current page (half the fill under the pointer). Clicking selects the page unless it already is.

#include "app/model/AppPhase.h"
#include "screens/chrome/PlainButton.h"

namespace keldra {

class AppModelView;
class OLIcon;
class OLText;

class SidebarItem : public PlainButton {
    Q_OBJECT
public:
    SidebarItem(AppModelView& app, AppSection section, QWidget* parent = nullptr);

    AppSection section() const { return section_; }
    bool isSelected() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void restyle();

    AppModelView& app_;
    AppSection section_;
    OLIcon* icon_;
    OLText* title_;
};

} // namespace keldra
