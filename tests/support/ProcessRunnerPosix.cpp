#include "support/ProcessRunner.h"

#include "support/TestSupport.h"

#include <cstdlib>
#include <sys/wait.h>

namespace quillon {

namespace {

// One shell word, whatever the text holds.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

} // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         const std::map<std::string, std::string>& environment,
                         const std::vector<std::string>& unset) {
    TempFolder capture;
    std::string command = "cd " + Quoted(workingDirectory) + " && env";
    for (const std::string& name : unset) {
        command += " -u " + name;
    }
    for (const auto& [name, value] : environment) {
        command += " " + name + "=" + Quoted(value);
    }
    command += " " + Quoted(program);
    for (const std::string& argument : arguments) {
        command += " " + Quoted(argument);
    }
    command += " </dev/null >" + Quoted(capture / "out") + " 2>" + Quoted(capture / "err");
    const int status = std::system(command.c_str());
    ProcessResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.StandardOutput = ReadTextFile(capture / "out");
    result.StandardError = ReadTextFile(capture / "err");
    return result;
}

} // namespace quillon
