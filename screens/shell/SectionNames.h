#pragma once
// The five pages' names, icons and keyboard shortcuts: one table for the sidebar, the top bar, the page
// headers and the window's Go menu.

#include "app/model/AppPhase.h"

#include <QKeySequence>
#include <QString>

namespace keldra {

// "Overview", "Backups", "Restore", "Activity", "Settings".
QString sectionTitle(AppSection section);
// The sidebar's icon: "icon-home-shield", "icon-folder", "icon-restore", "icon-history",
// "icon-settings-sliders".
QString sectionIconName(AppSection section);
// Ctrl+1 … Ctrl+5, by the section's place in allSections.
QKeySequence sectionShortcut(AppSection section);

} // namespace keldra
