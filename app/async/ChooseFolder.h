#pragma once

#include "app/async/WorkGuard.h"
#include "core/platform/FolderChooser.h"

#include <qcoro/qcorotask.h>

namespace keldra {

// Awaits the user's folder choice; no folder when they cancel. Throws StaleWork when the guard's owner or
// account went away while the dialog was open.
QCoro::Task<std::optional<std::filesystem::path>> chooseFolder(FolderChooser& chooser, std::string title,
                                                               std::string prompt, WorkGuard guard);

} // namespace keldra
