#pragma once
// Rows rebuilt from the model replace the control that had focus. Left alone, Qt hands focus to the next
// control as the old one hides, and the scroll area scrolls that one into view: the page jumps. FocusCarry
// takes focus off the old rows before they go, without moving it anywhere, and gives it to the control of
// the same kind and name among the new rows.

#include <QString>

class QWidget;

namespace keldra {

class FocusCarry {
public:
    // Notes the control inside `leaving` that has focus, if any, and takes focus off it.
    explicit FocusCarry(QWidget* leaving);

    // Gives focus to the matching control inside `arriving` when it can take it; `arriving` is shown first.
    void restoreIn(QWidget* arriving) const;

private:
    bool held_ = false;
    bool ring_ = false;
    QString kind_;
    QString name_;
};

} // namespace keldra
