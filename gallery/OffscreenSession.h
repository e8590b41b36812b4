#pragma once
// Drawing without a display, as the gallery and the widget tests do.

namespace keldra::gallery {

// Before the QApplication exists: the offscreen platform, and animations off so states show at once.
void prepareOffscreen();

// After: drops the offscreen platform's warning on every window it sizes, which says nothing.
void quietOffscreenWarnings();

} // namespace keldra::gallery
