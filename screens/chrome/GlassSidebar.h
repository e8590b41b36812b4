#pragma once
// The glass style's navigation column, 236 px wide on the chrome fill with a hairline at its trailing edge:
// a clear 46 px band under the window's title bar, the wordmark, one item per page, "Backup sets" with the
// first five sources, and the account card at the foot. Every control only selects a page.

#include "design/theme/OLWidget.h"

#include <vector>

class QVBoxLayout;

namespace keldra {

class AccountCard;
class AppModelView;
class SidebarItem;
class SidebarSourceRow;

class GlassSidebar : public OLWidget {
    Q_OBJECT
public:
    explicit GlassSidebar(AppModelView& app, QWidget* parent = nullptr);

    const std::vector<SidebarItem*>& items() const { return items_; }
    const std::vector<SidebarSourceRow*>& sourceRows() const { return sourceRows_; }
    AccountCard* accountCard() const { return account_; }
    // The "Backup sets" heading, absent without sources.
    QWidget* sourcesHeading() const { return heading_; }

    // The most sources the column lists.
    static constexpr std::size_t maxSourceRows = 5;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildSources();

    AppModelView& app_;
    std::vector<SidebarItem*> items_;
    QVBoxLayout* sources_;
    QWidget* heading_ = nullptr;
    std::vector<SidebarSourceRow*> sourceRows_;
    AccountCard* account_;
};

} // namespace keldra
