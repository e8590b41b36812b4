#pragma once
// The order in which Tab visits a window's controls: the order its layouts place them in (a layout's items
// one after the other, a scroll area's content where the area stands), which is the order a reader takes.
// Qt's own order is the order the widgets were made in, which rows rebuilt from the model or a bar built
// after its page would break.

#include <vector>

class QWidget;

namespace keldra {

// The visible, enabled controls under `root` that take focus from Tab, in reading order.
std::vector<QWidget*> readingOrder(QWidget* root);

// Moves focus from the focused control to the next (or previous) one of `root` in reading order, wrapping
// at the ends, and scrolls it into view. False when `root` has no such control.
bool moveFocusInReadingOrder(QWidget* root, bool next);

} // namespace keldra
