#pragma once
// The application-wide look of the stock widgets the kit does not draw itself (menus, tooltips, message
// boxes, scroll bars): a dark palette from the tokens and a small style sheet scoped to those widgets.

#include "app/model/ThemeValues.h"

class QApplication;
class QPalette;
class QString;

namespace keldra {

QPalette olPalette();
// The same palette tinted by an accent: selections and links in the accent colour, selected text dark
// (every accent is a light colour).
QPalette olPalette(OLAccent accent);
QString olStockStyleSheet();

// Sets the palette, the style sheet and the default font (Inter) on the application.
void olApplyAppStyle(QApplication& app);

} // namespace keldra
