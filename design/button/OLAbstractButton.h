#pragma once
// What every kit button shares: Tab focus with a keyboard-only focus ring, activation with Space or Return,
// the pointer-over state (settable directly for previews and tests), an optional action closure, and a
// redraw when its theme changes.

#include "design/focus/FocusRing.h"

#include <QAbstractButton>
#include <functional>

namespace keldra {

class OLAbstractButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit OLAbstractButton(QWidget* parent = nullptr);

    // Runs on a click when the button accepts clicks.
    void setAction(std::function<void()> action);

    void setHovered(bool hovered);
    bool isHovered() const { return hovered_; }
    bool showsFocusRing() const { return (hasFocus() && keyboardFocus_.visible()) || previewFocus_; }
    // Previews draw the keyboard focus ring without a focused window.
    void setPreviewFocus(bool focused);
    virtual bool acceptsClicks() const { return isEnabled(); }
    // For buttons whose own look has no ring (rows, tabs, links drawn by their owner): the kit's ring is
    // drawn over what they painted, around the whole button.
    void setFocusRingOver(bool over);

protected:
    // Return and Enter: the default clicks, as Space does.
    virtual void activateFromKeyboard();
    void runAction();
    // A pointer press hides the focus ring; for subclasses that take over mouse handling.
    void notePointerPress();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
    bool previewFocus_ = false;
    bool focusRingOver_ = false;
    std::function<void()> action_;
    KeyboardFocus keyboardFocus_;
};

} // namespace keldra
