#pragma once
// The detail card's prompt while nothing is selected, with the "Listed from" line once a listing is loaded.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

// Adds the prompt when nothing is selected; says whether it did.
bool fillEmptyPrompt(QVBoxLayout* stack, const RestoreDetailSource& source);

} // namespace keldra
