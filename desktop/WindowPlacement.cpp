#include "desktop/WindowPlacement.h"

#include "core/seams/KeyValueStore.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace keldra {

namespace {

QScreen* screenNamed(const QString& name) {
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == name) {
            return screen;
        }
    }
    return nullptr;
}

// The screen under the window's title bar, where the user grabs it; none when that is off every screen.
QScreen* screenUnderTitle(const QRect& geometry) {
    const QPoint title(geometry.x() + geometry.width() / 2, geometry.y() + 10);
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(title)) {
            return screen;
        }
    }
    return nullptr;
}

QSize clamped(QSize size, QSize minimum, QSize available) {
    // A screen smaller than the minimum still gets the minimum: the window cannot be smaller.
    const QSize upper = available.expandedTo(minimum);
    return size.expandedTo(minimum).boundedTo(upper);
}

QRect centred(QSize size, const QRect& area) {
    QRect rect(QPoint(0, 0), size);
    rect.moveCenter(area.center());
    return rect;
}

// Saves the placement of the window it watches when it hides and at quit.
class PlacementKeeper : public QObject {
public:
    PlacementKeeper(QWidget& window, KeyValueStore& defaults)
        : QObject(&window), window_(window), defaults_(defaults) {
        window.installEventFilter(this);
        connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { save(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::Hide && !event->spontaneous()) {
            save();
        }
        return false;
    }

private:
    void save() {
        // A window never shown has no place of its own to keep.
        if (window_.testAttribute(Qt::WA_WState_Created)) {
            saveWindowPlacement(window_, defaults_);
        }
    }

    QWidget& window_;
    KeyValueStore& defaults_;
};

} // namespace

nlohmann::json WindowPlacement::toJson() const {
    return nlohmann::json{{"x", geometry.x()},
                          {"y", geometry.y()},
                          {"width", geometry.width()},
                          {"height", geometry.height()},
                          {"screen", screen.toStdString()},
                          {"maximized", maximized}};
}

std::optional<WindowPlacement> WindowPlacement::fromJson(const nlohmann::json& json) {
    if (!json.is_object()) {
        return std::nullopt;
    }
    auto integer = [&json](const char* name) -> std::optional<int> {
        auto found = json.find(name);
        if (found == json.end() || !found->is_number_integer()) {
            return std::nullopt;
        }
        const auto value = found->get<std::int64_t>();
        if (value < -1'000'000 || value > 1'000'000) {
            return std::nullopt;
        }
        return static_cast<int>(value);
    };
    auto x = integer("x");
    auto y = integer("y");
    auto width = integer("width");
    auto height = integer("height");
    if (!x || !y || !width || !height || *width <= 0 || *height <= 0) {
        return std::nullopt;
    }
    WindowPlacement placement;
    placement.geometry = QRect(*x, *y, *width, *height);
    if (auto screen = json.find("screen"); screen != json.end() && screen->is_string()) {
        placement.screen = QString::fromStdString(screen->get<std::string>());
    }
    if (auto maximized = json.find("maximized"); maximized != json.end() && maximized->is_boolean()) {
        placement.maximized = maximized->get<bool>();
    }
    return placement;
}

WindowPlacement WindowPlacement::of(const QWidget& window) {
    WindowPlacement placement;
    placement.maximized = window.isMaximized();
    placement.geometry = placement.maximized ? window.normalGeometry() : window.geometry();
    if (placement.geometry.isEmpty()) {
        placement.geometry = window.geometry();
    }
    if (const QScreen* screen = window.screen()) {
        placement.screen = screen->name();
    }
    return placement;
}

QRect restoredGeometry(const std::optional<WindowPlacement>& saved, QSize minimum, QSize fallback) {
    QScreen* primary = QGuiApplication::primaryScreen();
    const QRect primaryArea = primary ? primary->availableGeometry() : QRect(0, 0, 1920, 1080);
    if (!saved) {
        return centred(clamped(fallback, minimum, primaryArea.size()), primaryArea);
    }
    QScreen* onScreen = screenUnderTitle(saved->geometry);
    QScreen* sizing = onScreen ? onScreen : screenNamed(saved->screen);
    const QRect area = sizing ? sizing->availableGeometry() : primaryArea;
    const QSize size = clamped(saved->geometry.size(), minimum, area.size());
    if (!onScreen) {
        return centred(size, primaryArea);
    }
    return QRect(saved->geometry.topLeft(), size);
}

void keepWindowPlacement(QWidget& window, KeyValueStore& defaults, QSize fallback) {
    restoreWindowPlacement(window, defaults, fallback);
    new PlacementKeeper(window, defaults);
}

bool windowsCanBePlaced() {
    return !QGuiApplication::platformName().startsWith(QStringLiteral("wayland"));
}

void restoreWindowPlacement(QWidget& window, const KeyValueStore& defaults, QSize fallback) {
    std::optional<WindowPlacement> saved;
    if (auto value = defaults.value(WindowPlacement::key)) {
        saved = WindowPlacement::fromJson(*value);
    }
    const QRect geometry = restoredGeometry(saved, window.minimumSize(), fallback);
    if (windowsCanBePlaced()) {
        window.setGeometry(geometry);
    } else {
        window.resize(geometry.size());
    }
    if (saved && saved->maximized) {
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    }
}

void saveWindowPlacement(const QWidget& window, KeyValueStore& defaults) {
    defaults.setValue(WindowPlacement::key, WindowPlacement::of(window).toJson());
}

} // namespace keldra
