#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace keldra::test {

// Starts a program (arguments[0] is its path) as a child process whose standard output goes to `output`
// (created or emptied; /dev/null to drop it). Returns its process id.
pid_t startProgram(const std::vector<std::string>& arguments, const std::filesystem::path& output);

// Waits for a child to end; its wait status.
int waitForChild(pid_t pid);

} // namespace keldra::test
