// Runs a program as a child process in a given folder, with standard input closed, and captures
// its exit code and output. For end-to-end tests of the real program. POSIX runs it through the
// shell, Windows through CreateProcess; either way the output comes back with lines ending in
// "\n" (the Windows C runtime writes "\r\n").
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quillon {

struct ProcessResult {
    int ExitCode = -1; // -1 when it did not exit normally (a signal, a Windows exception)
    std::string StandardOutput;
    std::string StandardError;
};

// `environment` entries override inherited variables; names in `unset` are removed.
ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory,
                         const std::map<std::string, std::string>& environment = {},
                         const std::vector<std::string>& unset = {});

} // namespace quillon
