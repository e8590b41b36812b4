// keldra-bench: runs the system's engines headless against a portal, for benchmarks and crash-safety tests.
// One subcommand per engine; each prints its log lines as they come and ends with one JSON line.

#include "CloudCommand.h"
#include "DriveCommand.h"
#include "core/memory/LargeBufferReuse.h"

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using Command = std::function<int(const std::vector<std::string>&)>;

const std::map<std::string, Command>& commands() {
    static const std::map<std::string, Command> table = {
        {"cloud", keldra::bench::runCloudCommand},
        {"drive", keldra::bench::runDriveCommand},
    };
    return table;
}

void printUsage() {
    std::fputs(
        "usage: keldra-bench <command> [options]\n"
        "commands:\n"
        "  cloud --portal URL --email E --password P --passphrase X --source DIR --state DIR [--trigger T]\n"
        "        [--request-limit N]\n"
        "  drive --dest DIR --passphrase X --source DIR --state DIR [--trigger T]\n",
        stderr);
}

} // namespace

int main(int argc, char** argv) {
    keldra::keepLargeBuffersForReuse();
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const auto found = commands().find(argv[1]);
    if (found == commands().end()) {
        printUsage();
        return 2;
    }
    return found->second(std::vector<std::string>(argv + 2, argv + argc));
}
