#pragma once
// A page whose screen is not built yet: the banner slot (on the pages that carry one) and the page header
// with its title, over the window background. The screen that replaces it keeps the same frame.

#include <QWidget>

namespace keldra {

class AppModelView;

class PlaceholderPage : public QWidget {
    Q_OBJECT
public:
    PlaceholderPage(AppModelView& app, const QString& title, bool withBanner, QWidget* parent = nullptr);
};

} // namespace keldra
