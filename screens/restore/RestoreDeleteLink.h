#pragma once
// The detail card's delete link: a chrome-less button in the error colour that asks to delete the selection
// from the listed Keldra or drive.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

// Adds the link when something is selected, `pressed` running on a click; says whether it did.
bool fillDeleteLink(QVBoxLayout* stack, const RestoreDetailSource& source, std::function<void()> pressed);

} // namespace keldra
