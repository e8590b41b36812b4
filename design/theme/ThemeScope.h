#pragma once
// Which theme a widget draws with. A top-level window holds its theme; a widget reads the nearest theme
// up its parent chain, else the default. Any widget may hold one (a kit preview in another style); setting
// it sends a theme-change event to the widget and every descendant so they redraw.

#include "app/model/ThemeValues.h"

#include <QEvent>

class QWidget;

namespace keldra {

// Sent to each widget of a subtree whose theme changed.
class OLThemeChangeEvent : public QEvent {
public:
    explicit OLThemeChangeEvent(const OLTheme& theme) : QEvent(eventType()), theme_(theme) {}
    static QEvent::Type eventType();
    const OLTheme& theme() const { return theme_; }

private:
    OLTheme theme_;
};

// The theme installed nearest to `widget` (itself or an ancestor), else the default theme.
OLTheme olTheme(const QWidget* widget);

// Installs `theme` on `widget` (a window, or a preview root) and tells the whole subtree.
void olSetTheme(QWidget* widget, const OLTheme& theme);

// Removes the theme held by `widget`; the subtree reads its ancestors' theme again.
void olClearTheme(QWidget* widget);

} // namespace keldra
