#pragma once
// The application-wide look of the stock widgets the kit does not draw itself (menus, tooltips, message
// boxes, scroll bars): a dark palette from the tokens and a small style sheet scoped to those widgets.

class QApplication;
class QPalette;
class QString;

namespace keldra {

QPalette olPalette();
QString olStockStyleSheet();

// Sets the palette, the style sheet and the default font (Inter) on the application.
void olApplyAppStyle(QApplication& app);

} // namespace keldra
