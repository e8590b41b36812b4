#pragma once
// Base of the kit's custom-painted widgets: reads its theme from the nearest scope (or one installed on
// itself with olSetTheme, as previews do), redraws on a theme change, and knows whether focus came from
// the keyboard so it can draw the focus ring.

#include "app/model/ThemeValues.h"
#include "design/focus/FocusRing.h"

#include <QWidget>

namespace keldra {

class OLWidget : public QWidget {
    Q_OBJECT
public:
    explicit OLWidget(QWidget* parent = nullptr);

    OLTheme theme() const;
    bool showsFocusRing() const { return hasFocus() && keyboardFocus_.visible(); }

protected:
    // Called after the theme of this widget's scope changed; the default relayouts and redraws.
    virtual void themeChanged(const OLTheme& theme);
    // Sets what the widget builds from its theme (margins, its children's styles). Called on a theme change
    // before themeChanged, and again when the widget is polished and shown, because the scope it lands in may
    // hold another theme than the one it was built under. The default sets nothing.
    virtual void applyTheme(const OLTheme& theme);

    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    KeyboardFocus keyboardFocus_;
};

} // namespace keldra
