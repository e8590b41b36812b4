#pragma once

#include <string>
#include <vector>

namespace keldra::bench {

// keldra-bench drive --dest DIR --passphrase X --source DIR --state DIR [--trigger T]
// Runs one drive backup of --source into the backup folder inside --dest (a folder on any mounted volume),
// with the account history in --state and the drive's own index in --state/drive. Prints each log line and
// ends with one JSON line. Exit 0 when the run succeeded or was partial, 1 for any other ending, 2 when it
// could not start.
int runDriveCommand(const std::vector<std::string>& arguments);

} // namespace keldra::bench
