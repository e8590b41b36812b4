#pragma once
// The small texts the status lines are made of, shared by the model's sentences and the screens.

#include "core/events/RunPhase.h"
#include "core/seams/Clock.h"
#include "service/api/GeoGuard.h"

#include <string>

namespace keldra {

// "Preparing", "Checking your Keldra", "Looking for changes", "Uploading", "Copying to drive",
// "Tidying old versions".
std::string phaseLabel(RunPhase phase);

// The time of day in the locale's short time format ("3:07 PM", "15:07"), local time.
std::string formatClockTime(SystemTime date);

// The places a country rule names, for the banner that warns about it: region names in the order of their
// codes, six at most and then " and <n> more"; "anywhere except …" for a rule that allows only some.
std::string countryRulePlaces(const GeoGuard::Rule& rule);

} // namespace keldra
