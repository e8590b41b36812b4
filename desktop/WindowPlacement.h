#pragma once
// Where the main window comes back: its size, place, screen and maximised state, kept as JSON in the user
// defaults under "window.main". A size is clamped between the window's minimum and the screen's available
// area; a place on no current screen becomes centred on the primary screen. Where the window system lets
// no client place its windows (Wayland) only the size comes back.

#include <QRect>
#include <QSize>
#include <QString>
#include <nlohmann/json.hpp>
#include <optional>

class QScreen;
class QWidget;

namespace keldra {

class KeyValueStore;

struct WindowPlacement {
    static constexpr const char* key = "window.main";

    // The window's normal (not maximised) frame-less geometry.
    QRect geometry;
    QString screen;
    bool maximized = false;

    nlohmann::json toJson() const;
    // None for anything but an object with a positive size.
    static std::optional<WindowPlacement> fromJson(const nlohmann::json& json);

    // What the window shows now.
    static WindowPlacement of(const QWidget& window);
};

// The geometry to give a window of `minimum` size that was left at `saved` (none: `fallback` size centred
// on the primary screen).
QRect restoredGeometry(const std::optional<WindowPlacement>& saved, QSize minimum, QSize fallback);

// Reads the stored placement and applies it to `window` (not yet shown): geometry and maximised state.
void restoreWindowPlacement(QWidget& window, const KeyValueStore& defaults, QSize fallback);
// Stores the window's placement.
void saveWindowPlacement(const QWidget& window, KeyValueStore& defaults);

// Restores `window`'s placement now and stores it each time the window hides and when the application
// quits. The keeper lives as long as the window; `defaults` must outlive both.
void keepWindowPlacement(QWidget& window, KeyValueStore& defaults, QSize fallback);

// Whether windows may be placed by the application on this window system.
bool windowsCanBePlaced();

} // namespace keldra
