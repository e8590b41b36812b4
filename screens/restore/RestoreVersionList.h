#pragma once
// The detail card's versions of a selected file: the newest thirty, the chosen one marked, and how long
// older versions are kept.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

// Adds the list when a file with versions is selected; says whether it did.
bool fillVersionList(QVBoxLayout* stack, const RestoreDetailSource& source);

} // namespace keldra
