#pragma once
// The window's content once the account is ready: the sidebar beside the page (glass) or the top bar above
// it (signal), and the page of the model's section. A section switch replaces the page, leaving no state
// of the old one behind; it does not animate. The layout is fixed at construction: a style change builds a
// new shell.

#include "design/update/Refresh.h"

#include <QPointer>
#include <QWidget>

namespace keldra {

class AppModelView;
class ScreenHost;

class MainShell : public QWidget {
    Q_OBJECT
public:
    explicit MainShell(AppModelView& app, QWidget* parent = nullptr);

    QWidget* navigation() const { return navigation_; }
    // The page shown now.
    QWidget* page() const;

protected:
    // Tab and Shift+Tab go through the navigation, then the page, in reading order.
    bool focusNextPrevChild(bool next) override;

private:
    void showSection();

    AppModelView& app_;
    QWidget* navigation_;
    ScreenHost* pages_;
    // The press that changed the section may come from the page itself: it is replaced after the press.
    NextTurn sectionTurn_{this, [this] {
                              showSection();
                          }};
};

} // namespace keldra
