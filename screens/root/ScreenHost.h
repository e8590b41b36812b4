#pragma once
// Holds the one screen of a branch (a phase of the window, a section of the shell) and swaps it for the
// next. The old screen is hidden at once and deleted later, so a screen whose own handler caused the
// switch is never deleted under its feet; nothing keeps screens that are not shown.

#include "design/motion/OLAnimationTiming.h"

#include <QPointer>
#include <QWidget>
#include <optional>

namespace keldra {

class ScreenHost : public QWidget {
    Q_OBJECT
public:
    explicit ScreenHost(QWidget* parent = nullptr);

    QWidget* screen() const { return screen_; }
    // Shows `next` (taking it over) in place of the current screen. With `fade`, the old screen's last
    // picture fades out over the new one along that curve (when animations run).
    void replace(QWidget* next, std::optional<OLAnimationTiming> fade = std::nullopt);

private:
    QPointer<QWidget> screen_;
};

} // namespace keldra
