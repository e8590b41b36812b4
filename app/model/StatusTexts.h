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

// The time of day in the locale's short time format ("3:07 PM", "15:07"), local time, never with seconds.
std::string formatClockTime(SystemTime date);

// A time still to come: the clock time when it falls on today's date, else formatLogTimestamp's moment with
// its day ("Sat 13 Dec, 12:58"), so a run days away never reads as a time already past today.
std::string formatUpcomingTime(SystemTime date, SystemTime now);

// The places a country rule names, for the banner that warns about it: region names in the order of their
// codes, six at most and then " and <n> more"; "anywhere except …" for a rule that allows only some.
std::string countryRulePlaces(const GeoGuard::Rule& rule);

} // namespace keldra
