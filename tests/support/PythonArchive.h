// Archives made by tests/archive/bsa_writer.py, run by /usr/bin/python3 with its zlib and
// python3-lz4: a writer that follows the format's public description and shares no code with
// Quillon's reader. For tests built on Linux only (LINUX_SOURCES).
#pragma once

#include "support/ProcessRunner.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quillon {

// Writes the archive `out` (a native path; its folder is made) with the writer's arguments (see
// bsa_writer.py); the writer's error output, or the empty text when it succeeded.
inline std::string WritePythonArchive(const std::string& out,
                                      const std::vector<std::string>& arguments) {
    std::filesystem::create_directories(std::filesystem::path(out).parent_path());
    std::vector<std::string> all{QUILLON_BSA_WRITER, out};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const ProcessResult result =
        RunProcess("/usr/bin/python3", all, std::filesystem::path(out).parent_path().string());
    return result.ExitCode == 0 ? "" : "bsa_writer.py failed: " + result.StandardError;
}

} // namespace quillon
