#pragma once
// The glass Overview's three figure tiles: Keldra storage, files protected (the upload speed while a run
// goes) and the last backup, which opens Activity when there is a run to look at.

#include "app/model/ThemeValues.h"

#include <QString>
#include <optional>

class QHBoxLayout;

namespace keldra {

class AppModelView;
class StatTile;

// What the last-backup tile says and whether it opens Activity.
struct LastBackupTile {
    QString value;
    StatusTone tone = StatusTone::warning;
    bool opensActivity = false;
};
LastBackupTile lastBackupTile(const AppModelView& app);

} // namespace keldra
