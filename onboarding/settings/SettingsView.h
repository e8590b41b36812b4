#pragma once
// The settings page: the page header "Settings" with the five-tab strip, and under it a scroll area with
// the chosen tab's pane. The page starts on Backup; the shell builds it afresh whenever it is entered and
// whenever the style changes, so the chosen tab lasts only while the user stays on it. Choosing a tab
// builds its pane afresh.

#include "design/theme/OLWidget.h"
#include "onboarding/settings/SettingsTab.h"

#include <functional>

class QScrollArea;
class QVBoxLayout;

namespace keldra {

class AppModelView;
template <typename T> class OLSegmentedOf;

class SettingsView : public OLWidget {
    Q_OBJECT
public:
    // Builds the page's header from its title and the tab strip (the shell's page header).
    using HeaderFactory = std::function<QWidget*(const QString& title, QWidget* trailing)>;

    SettingsView(AppModelView& app, HeaderFactory makeHeader, QWidget* parent = nullptr);

    SettingsTab tab() const { return tab_; }
    void setTab(SettingsTab tab);
    // The pane of the chosen tab.
    QWidget* pane() const { return pane_; }
    QWidget* header() const { return header_; }
    OLSegmentedOf<SettingsTab>* tabStrip() const { return strip_; }
    QScrollArea* scrollArea() const { return scroll_; }

protected:
    void themeChanged(const OLTheme& theme) override;

private:
    void buildHeader();
    QWidget* makePane(SettingsTab tab);

    AppModelView& app_;
    HeaderFactory makeHeader_;
    SettingsTab tab_ = SettingsTab::backup;
    QVBoxLayout* layout_;
    QWidget* header_ = nullptr;
    OLSegmentedOf<SettingsTab>* strip_ = nullptr;
    bool stripMono_ = false;
    QScrollArea* scroll_;
    QVBoxLayout* column_;
    QWidget* pane_ = nullptr;
};

} // namespace keldra
