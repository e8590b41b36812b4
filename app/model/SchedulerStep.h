#pragma once

#include <string>
#include <vector>

namespace keldra {

// What one step of the scheduler decided.
struct SchedulerStep {
    // A scheduled cloud run; it names no drives, so the eligible drives are copied after it in the same run.
    bool cloud = false;
    // Otherwise the drives that are due, in the destinations' order (none: nothing starts).
    std::vector<std::string> drives;
    // Backups are held for the country rule: the rule and the country are to be checked again.
    bool recheckCountry = false;

    friend bool operator==(const SchedulerStep&, const SchedulerStep&) = default;
};

} // namespace keldra
