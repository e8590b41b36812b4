#pragma once
// Widgets side by side when the width allows, else one under the other, each at its natural width: a row
// of short texts or buttons that must never be cut (a date beside a status, a banner's two actions).

#include <QWidget>
#include <vector>

namespace keldra {

class WrapRow final : public QWidget {
public:
    // `trailingLast`: on one line the last widget sits at the trailing edge.
    WrapRow(int spacing, int lineSpacing, bool trailingLast, QWidget* parent = nullptr);

    // Takes the widget over; widgets show in the order added.
    void addWidget(QWidget* widget);
    // Whether the widgets share one line at the current width.
    bool isOneLine() const { return fits(width()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::vector<QWidget*> shown() const;
    bool fits(int width) const;
    void place();

    int spacing_;
    int lineSpacing_;
    bool trailingLast_;
    std::vector<QWidget*> widgets_;
};

} // namespace keldra
