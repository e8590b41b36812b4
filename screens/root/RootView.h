#pragma once
// The window's content: the screen that fits the model's phase (starting, signed out, two-factor code,
// setup, locked, ready) on the window background, inside the theme built from the model's style and
// accent. A phase change replaces the screen with a cross-fade along the style's phase curve; a style
// change rebuilds the shell in the new layout; an accent change only repaints. Replacements wait for the
// event loop, so the screen whose handler caused one is never deleted under its feet. The window cannot
// be made smaller than 1000 by 640, nor smaller than its screen needs.

#include "app/model/AppPhase.h"
#include "app/model/ThemeValues.h"
#include "design/update/Refresh.h"

#include <QWidget>

namespace keldra {

class AppModelView;
class ScreenHost;

class RootView : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 1000;
    static constexpr int minimumHeight = 640;

    explicit RootView(AppModelView& app, QWidget* parent = nullptr);

    // The screen shown now.
    QWidget* screen() const;
    AppPhase shownPhase() const { return shownPhase_; }

    // The larger of the floor and what the screen shown needs.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // With nothing focused yet, Tab starts where the shell's reading order starts.
    bool focusNextPrevChild(bool next) override;

private:
    void updateMinimum();
    // Brings the theme and the screen in line with the model.
    void sync();

    AppModelView& app_;
    ScreenHost* host_;
    AppPhase shownPhase_;
    OLStyle shownStyle_;
    NextTurn syncTurn_{this, [this] {
                           sync();
                       }};
};

} // namespace keldra
