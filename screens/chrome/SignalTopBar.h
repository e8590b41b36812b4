#pragma once
// The signal style's bar along the top of the window, 58 px on the chrome fill with a hairline below: a
// clear 62 px band for the title-bar buttons, the compact wordmark, the five page tabs, the search box that
// jumps to Restore (dropped when under 200 px remain for it), the upper-case state chip and the primary
// action.

#include "design/theme/OLWidget.h"

#include <vector>

namespace keldra {

class AppModelView;
class OLButton;
class OLSearchField;
class PlainButton;
class StatusChip;

class SignalTopBar : public OLWidget {
    Q_OBJECT
public:
    explicit SignalTopBar(AppModelView& app, QWidget* parent = nullptr);

    const std::vector<PlainButton*>& tabs() const { return tabs_; }
    OLSearchField* searchField() const { return search_; }
    StatusChip* chip() const { return chip_; }
    // Hidden when there is no primary action.
    OLButton* primaryButton() const { return primary_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshStatus();
    void fitSearch();

    AppModelView& app_;
    std::vector<PlainButton*> tabs_;
    OLSearchField* search_;
    StatusChip* chip_;
    OLButton* primary_;
};

} // namespace keldra
