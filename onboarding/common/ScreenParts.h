#pragma once
// Small pieces every onboarding screen builds the same way: the error line under a form, the main button,
// text links, and starting a model operation that nobody awaits.

#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>
#include <string>

namespace keldra {

class OLButton;
class OLText;

// The model's message in the error colour, wrapping; hidden while there is none. Always plain text.
OLText* makeErrorLine();
void showError(OLText* line, const std::optional<std::string>& message);

// The full-width primary button of a form.
OLButton* makeMainButton(const QString& title);
// A text button 34 px high ("Forgot password?", "Sign out").
OLButton* makeTextLink(const QString& title);

// Lets a model operation run on without an awaiter; it ends quietly when its owner went away.
void runDetached(QCoro::Task<> task);

} // namespace keldra
