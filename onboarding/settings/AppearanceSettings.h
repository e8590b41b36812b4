#pragma once
// The Appearance tab: window style and accent, and how the tray popover looks. A new style rebuilds the
// whole shell and with it this pane, so the choice reaches the model only after the click is over.

#include "app/model/AppPhase.h"
#include "design/theme/OLWidget.h"

namespace keldra {

class AppModelView;
class StylePicker;
template <typename T> class OLSegmentedOf;

class AppearanceSettings : public OLWidget {
    Q_OBJECT
public:
    explicit AppearanceSettings(AppModelView& app, QWidget* parent = nullptr);

    StylePicker* stylePicker() const { return picker_; }
    OLSegmentedOf<PopoverStyle>* popoverPicker() const { return popover_; }

private:
    void refresh();

    AppModelView& app_;
    StylePicker* picker_;
    OLSegmentedOf<PopoverStyle>* popover_;
};

} // namespace keldra
