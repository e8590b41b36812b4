#pragma once
// The slot at the top of a section page that shows the model's current banner, or nothing (taking no
// space). The banner's buttons run the banner's own closures; a dismissible banner's close control adds
// its id to the model's dismissed set, and the next applicable banner takes its place.

#include "design/status/StateBanner.h"
#include "design/update/Refresh.h"

#include <QPointer>
#include <QWidget>

namespace keldra {

class AppModelView;

class BannerSlot : public QWidget {
    Q_OBJECT
public:
    explicit BannerSlot(AppModelView& app, QWidget* parent = nullptr);

    // The banner shown now, or none.
    StateBanner* banner() const { return banner_; }
    // The id of the banner shown now; empty when none.
    const std::string& bannerID() const { return shownID_; }

private:
    void refresh();

    AppModelView& app_;
    QPointer<StateBanner> banner_;
    std::string shownID_;
    // What the shown banner was built from, to rebuild only on a change.
    std::string shownKey_;
    // Changes come from the banner's own buttons: the swap waits for the event loop.
    NextTurn refreshTurn_{this, [this] {
                              refresh();
                          }};
    bool refreshed_ = false;
};

} // namespace keldra
