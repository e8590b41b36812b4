#include "tests/support/ChildProcess.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace keldra::test {

pid_t startProgram(const std::vector<std::string>& arguments, const std::filesystem::path& output) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        FILE* out = std::fopen(output.c_str(), "w");
        if (out != nullptr) {
            dup2(fileno(out), STDOUT_FILENO);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int waitForChild(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

} // namespace keldra::test
