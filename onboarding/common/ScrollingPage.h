#pragma once
// The page behind the screens shown before the main window: the window background, in the glass style a
// soft gradient band at the top, and a scrolling column of fixed width centred over them. The backdrop
// stays put while the column scrolls.

#include "design/theme/OLWidget.h"

class QScrollArea;
class QVBoxLayout;

namespace keldra {

struct PageFrame {
    double columnWidth = 440;
    double topPadding = 72;
    double bottomPadding = 32;
    double gradientHeight = 360;   // glass only
    double gradientOpacity = 0.55; // of the band's top colour
};

class ScrollingPage : public OLWidget {
    Q_OBJECT
public:
    explicit ScrollingPage(PageFrame frame, QWidget* parent = nullptr);

    // The column's stack (leading-aligned, spacing 0) the caller fills.
    QVBoxLayout* column() const { return column_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // Whether the gradient band is drawn now (glass style).
    bool showsGradient() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PageFrame frame_;
    QScrollArea* scroll_;
    QVBoxLayout* column_;
};

} // namespace keldra
