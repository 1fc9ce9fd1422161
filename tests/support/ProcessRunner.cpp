#include "support/ProcessRunner.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         const std::map<std::string, std::string>& environment,
                         const std::vector<std::string>& unset) {
    char outName[] = "/tmp/quillon-out-XXXXXX";
    char errName[] = "/tmp/quillon-err-XXXXXX";
    const int out = mkstemp(outName);
    const int err = mkstemp(errName);
    ProcessResult result;
    const pid_t child = fork();
    if (child == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const auto& [name, value] : environment) {
            setenv(name.c_str(), value.c_str(), 1);
        }
        for (const std::string& name : unset) {
            unsetenv(name.c_str());
        }
        if (chdir(workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.ExitCode = WEXITSTATUS(status);
    }
    close(out);
    close(err);
    result.StandardOutput = ReadAll(outName);
    result.StandardError = ReadAll(errName);
    unlink(outName);
    unlink(errName);
    return result;
}
