#pragma once
// The detail card's header of the selection: its icon, name, stored path (selectable) and size.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

// Adds the header when something is selected, the path fitted to `cardWidth`; says whether it did.
bool fillSelectionHeader(QVBoxLayout* stack, const RestoreDetailSource& source, double cardWidth);

} // namespace keldra
