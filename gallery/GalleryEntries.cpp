#include "gallery/GalleryEntry.h"
#include "gallery/KitEntries.h"

namespace keldra::gallery {

std::vector<GalleryEntry> allEntries() {
    std::vector<GalleryEntry> entries;
    for (auto family : {foundationEntries, buttonEntries, kitEntries, screenEntries, onboardingEntries,
                        restoreEntries, trayEntries, activityEntries, settingsEntries, windowEntries}) {
        auto more = family();
        entries.insert(entries.end(), std::make_move_iterator(more.begin()),
                       std::make_move_iterator(more.end()));
    }
    return entries;
}

} // namespace keldra::gallery
