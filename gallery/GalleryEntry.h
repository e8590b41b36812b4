#pragma once
// One picture of the gallery: a component in one state, built for a theme.

#include "app/model/ThemeValues.h"

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace keldra::gallery {

struct GalleryEntry {
    QString component; // "button-primary"
    QString state;     // "hover"
    // Builds the component, already in its state; the gallery owns and frames it.
    std::function<QWidget*(const OLTheme& theme)> make;
    int width = 0; // the width offered to the component; 0 for its natural width
    // Drawn as the active window, as a user meets a screen: the field it focuses shows its focus ring.
    bool activeWindow = false;
    // Drawn in the frost accent only: the accent changes no layout here, and each picture costs CI time.
    bool frostOnly = false;
    // Rounds of the event loop before the picture is taken: a page that fits itself to the window after
    // its layout settled needs more than one.
    int settleRounds = 1;
};

// Every entry, in gallery order.
std::vector<GalleryEntry> allEntries();

// One family each.
std::vector<GalleryEntry> foundationEntries();
std::vector<GalleryEntry> buttonEntries();
std::vector<GalleryEntry> screenEntries();
std::vector<GalleryEntry> onboardingEntries();
std::vector<GalleryEntry> restoreEntries();
std::vector<GalleryEntry> trayEntries();
// Activity, Backups with its drives and confirmations, and the tray popover.
std::vector<GalleryEntry> activityEntries();
std::vector<GalleryEntry> settingsEntries();
// Every section page in the window shell at the default and the minimum window size.
std::vector<GalleryEntry> windowEntries();

} // namespace keldra::gallery
