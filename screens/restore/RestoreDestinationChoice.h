#pragma once
// The detail card's choice of where to restore to (the original location or another folder) and what to do
// with files that already exist there.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

// Adds the choice when something is selected; says whether it did.
bool fillDestinationChoice(QVBoxLayout* stack, const RestoreDetailSource& source);

} // namespace keldra
