#pragma once
// The Overview page: the glass or the signal Overview by the theme's style. A style change builds a fresh
// one (so the glass search box starts empty again).

#include "design/theme/OLWidget.h"

namespace keldra {

class AppModelView;

class OverviewView : public OLWidget {
    Q_OBJECT
public:
    explicit OverviewView(AppModelView& app, QWidget* parent = nullptr);

    // The GlassOverview or SignalOverview shown now.
    QWidget* content() const { return content_; }

protected:
    void themeChanged(const OLTheme& theme) override;

private:
    void build(OLStyle style);

    AppModelView& app_;
    QWidget* content_ = nullptr;
    OLStyle style_;
};

} // namespace keldra
