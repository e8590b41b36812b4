#pragma once
// What the tray popover writes: the signal layout's data rows and the storage percentage. Plain functions.

#include "app/model/AppModelView.h"
#include "design/data/DataRowModel.h"

#include <QString>
#include <vector>

namespace keldra {

// "1.5 GB · 15%", or "—" while the storage status is not known.
QString storageUsedText(const std::optional<KeldraStatus>& status);
// "Keyring" (secure) while unattended backups keep the key; else "Memory" while it is held, "Locked".
DataRowModel keyRow(bool unattended, bool keyHeld);
// "Last backup", "Next run", "Keldra used" and "Key", none copyable.
std::vector<DataRowModel> popoverRows(const AppModelView& app);

} // namespace keldra
