#pragma once
// The frameless, transparent line edit that the kit's fields draw their own frame around.

#include "design/theme/OLTextStyle.h"

class QLineEdit;
class QWidget;

namespace keldra {

// Sets up `edit`: no frame, clear background, the style's font, primary text and muted placeholder.
void setUpKitLineEdit(QLineEdit* edit, const OLTextStyle& fontStyle);

} // namespace keldra
