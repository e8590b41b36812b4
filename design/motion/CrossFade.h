#pragma once
// A cross-fade from what a widget shows now to what it shows next: its last picture is laid over it and
// fades out along a curve while the new content is already in place underneath, then goes. Call it just
// before the change (or the replacement); the picture lets clicks through.

#include "design/motion/OLAnimationTiming.h"

class QWidget;

namespace keldra {

// Covers `content` (on its parent, at its place, above its siblings) with its current picture fading out.
// Returns the picture's widget, named "crossFade", or nothing when no fade runs: `content` is not on
// screen, animations are off, or, for `decorative` motion, the desktop asks to reduce motion. A caller that
// then adds widgets above it raises it again.
QWidget* crossFadeFrom(QWidget* content, const OLAnimationTiming& timing, bool decorative);

} // namespace keldra
