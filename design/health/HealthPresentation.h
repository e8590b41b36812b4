#pragma once
// One backup health under one theme, as every view shows it: the headline title, the terse status, the tone
// colour and the orb's badge. Also the colours of the semantic status tones. Qt-free.

#include "app/model/BackupHealth.h"
#include "app/model/ThemeValues.h"
#include "design/theme/OLRgba.h"

#include <optional>
#include <string>

namespace keldra {

struct HealthPresentation {
    enum class Badge { tick, warning, danger };

    BackupHealth health;
    OLTheme theme;

    // "Protected", "Backing up…", "Keldra locked": the glass Overview, the popover, the tray.
    std::string title() const { return healthTitle(health); }
    // "Protected.", "Backing up.", "Locked.": the signal style's wording.
    std::string shortStatus() const;
    OLRgba toneColor() const;
    std::optional<Badge> badge() const;
};

OLRgba toneColor(StatusTone tone);
// The tinted fill of a chip or banner; `info` has none.
std::optional<OLRgba> toneFill(StatusTone tone);

} // namespace keldra
