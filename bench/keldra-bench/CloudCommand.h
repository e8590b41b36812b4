#pragma once

#include <string>
#include <vector>

namespace keldra::bench {

// keldra-bench cloud --portal URL --email E --password P --passphrase X --source DIR --state DIR [--trigger
// T] Signs in, makes sure the account has a verifier, finds or creates the backups and device folders, runs
// one cloud backup with the index in --state, prints each log line, and ends with one JSON line. Exit 0 when
// the run succeeded or was partial, 1 for any other ending, 2 when it could not start.
int runCloudCommand(const std::vector<std::string>& arguments);

} // namespace keldra::bench
