#pragma once

#include "app/model/ThemeValues.h"
#include "tests/integration/KeldraSession.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <sys/types.h>

namespace keldra::test {

// The keldra program's window on the virtual display, seen and driven from outside as the user does: its
// window placed (through the placement it keeps in its defaults) so that its content has a chosen size,
// photographed from the display, and given the pointer and the keyboard.
class KeldraProgramWindow : public KeldraSession {
protected:
    // Under the tray's strip along the top edge.
    static constexpr QPoint windowPlace{0, 40};

    // The menu bar above the window's content, as keldra draws it in the same style.
    static int menuBarHeight();
    static QSize windowSize(QSize content) { return {content.width(), content.height() + menuBarHeight()}; }

    // The next start opens the window with content of this size.
    void placeWindow(QSize content);
    // The window's content on the display from now on (after the window was resized).
    void setContentSize(QSize content) { content_.setSize(content); }

    // The keldra program, once its window is on the display.
    pid_t start();
    // Quits it as the session ending does (SIGTERM); it ends cleanly.
    void stop(pid_t pid);
    // Its window's X id ("" before start()).
    const QString& window() const { return window_; }

    // Waits until the window's content holds still (but for the caret); the whole display then.
    QImage settle();
    // The display once the window holds still, kept in the build folder under `name` (a gallery file name).
    void capture(const QString& name);
    // Waits until the window's content (within `region`, all of it by default) is the gallery's picture of
    // `entry` but for the caret. The display, the gallery's picture and a picture of the differences are
    // kept in the build folder.
    void expectGalleryPicture(const QString& entry, OLStyle style, OLAccent accent, QRect region = {});

    // The pointer presses at a point of the window's content, then leaves the window so nothing shows hover.
    void click(QPoint inContent);
    // Keys the user types into the window ("ctrl+5").
    void press(const QString& keys);

private:
    QRect content_;
    QString window_;
};

} // namespace keldra::test
