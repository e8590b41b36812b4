#pragma once
// The detail card's action: the restore button, or while a restore runs its progress and the stop button.

#include "screens/restore/RestoreDetailPart.h"

namespace keldra {

class OLProgressBar;

// The progress block's widgets while one is shown.
struct RestoreProgressLine {
    QPointer<OLProgressBar> bar;
    QPointer<OLText> text;
};

// Adds the action when something is selected and sets `progress` to its progress widgets, if any; says
// whether it added one.
bool fillActionBlock(QVBoxLayout* stack, const RestoreDetailSource& source, RestoreProgressLine& progress);
// Shows the model's progress in the block, if shown.
void showRestoreProgress(const RestoreProgressLine& progress, const RestoreModel* model);

} // namespace keldra
