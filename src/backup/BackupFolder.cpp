#include "backup/BackupFolder.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SafeWrite.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

// The number a run folder's name starts with; false for any other name.
bool RunNumber(const std::string& name, std::uint64_t& number) {
    const std::size_t space = name.find(' ');
    if (space == 0 || space == std::string::npos || space > 18) {
        return false;
    }
    const auto [end, error] = std::from_chars(name.data(), name.data() + space, number);
    return error == std::errc() && end == name.data() + space;
}

// The process a temporary file's name gives: ".<stem>.quillon-<process>-<n><extension>".
bool TemporaryOwner(const std::string& name, std::uint64_t& process) {
    const std::size_t marker = name.rfind(TemporaryMarker);
    if (name.empty() || name[0] != '.' || marker == std::string::npos) {
        return false;
    }
    const char* start = name.data() + marker + std::char_traits<char>::length(TemporaryMarker);
    const auto [end, error] = std::from_chars(start, name.data() + name.size(), process);
    return error == std::errc() && end != start && *end == '-';
}

void ClearStaleIn(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), last; !error && it != last;
         it.increment(error)) {
        std::uint64_t process = 0;
        if (it->is_regular_file(error) && TemporaryOwner(it->path().filename().string(), process) &&
            !ProcessIsRunning(process)) {
            std::error_code ignored;
            fs::remove(it->path(), ignored);
        }
    }
}

} // namespace

fs::path OutputRoot(const std::string& outputFolder) {
    std::error_code error;
    const fs::path native =
        outputFolder.empty() ? fs::path(".") : fs::path(ResolvePath(outputFolder));
    fs::path absolute = fs::absolute(native, error);
    fs::path root = (error ? native : absolute).lexically_normal();
    // "Data/" and "Data" are one folder: compared and joined alike.
    return root.has_filename() || !root.has_relative_path() ? root : root.parent_path();
}

std::vector<RunFolder> ReadRuns(const fs::path& outputRoot) {
    std::vector<RunFolder> runs;
    std::error_code error;
    for (fs::directory_iterator it(outputRoot / BackupFolderName, error), last;
         !error && it != last; it.increment(error)) {
        RunFolder run;
        if (!it->is_directory(error) || !RunNumber(it->path().filename().string(), run.Number)) {
            continue;
        }
        run.Path = it->path();
        if (!fs::exists(run.JournalPath(), error)) {
            continue;
        }
        run.Readable = ReadJournalFile(run.JournalPath().string(), run.Record, run.Problem);
        runs.push_back(std::move(run));
    }
    std::sort(runs.begin(), runs.end(),
              [](const RunFolder& a, const RunFolder& b) { return a.Number < b.Number; });
    return runs;
}

void ClearStaleFiles(const fs::path& outputRoot) {
    const fs::path ours = outputRoot / BackupFolderName;
    ClearStaleIn(ours / TemporaryFolderName);
    std::error_code error;
    for (fs::directory_iterator it(ours, error), last; !error && it != last; it.increment(error)) {
        std::uint64_t number = 0;
        if (it->is_directory(error) && RunNumber(it->path().filename().string(), number)) {
            ClearStaleIn(it->path()); // a journal's temporary file
        }
    }
}

bool SaveJournal(const RunFolder& run, const std::function<void(const char* step)>& step) {
    const std::string text = FormatJournal(run.Record);
    return WriteFileSafely(run.JournalPath().string(), [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (step) {
            step("journal written aside");
        }
        return static_cast<bool>(out);
    });
}

} // namespace quillon
