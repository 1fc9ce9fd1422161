// Quillon's own folder below an output folder, "Quillon Backups": the game loads nothing from it.
// One folder per run, "<number> <date> <time>", numbered in the order the runs began, holds the
// run's journal, the files it replaced (below "replaced/", in the output folder's layout) and the
// files a forced restore took away (below "changed/"). The safe writes' temporary files go to
// "temporary/", so that a process killed mid-write leaves nothing among the textures.
#pragma once

#include "backup/Journal.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

inline constexpr const char* BackupFolderName = "Quillon Backups";
inline constexpr const char* JournalFileName = "journal.txt";
inline constexpr const char* ReplacedFolderName = "replaced";
inline constexpr const char* ChangedFolderName = "changed";
inline constexpr const char* TemporaryFolderName = "temporary";

struct RunFolder {
    std::filesystem::path Path; // native
    std::uint64_t Number = 0;
    bool Readable = false;
    std::string Problem; // why the journal could not be read
    Journal Record;

    std::filesystem::path JournalPath() const { return Path / JournalFileName; }
    // Where the run keeps the file it replaced at a relative path, and where a forced restore
    // puts the file it takes away.
    std::filesystem::path KeptOriginal(const std::string& relative) const {
        return (Path / ReplacedFolderName / std::filesystem::path(relative)).make_preferred();
    }
    std::filesystem::path SetAside(const std::string& relative) const {
        return (Path / ChangedFolderName / std::filesystem::path(relative)).make_preferred();
    }
};

// The native output folder a program path names ("" is the current directory), absolute.
std::filesystem::path OutputRoot(const std::string& outputFolder);

// The runs recorded below a native output folder, oldest first. A run folder without a journal
// (a run killed before its first record, which had touched nothing) is left out.
std::vector<RunFolder> ReadRuns(const std::filesystem::path& outputRoot);

// Removes the temporary files of safe writes in Quillon's folder whose process has ended (it was
// killed mid-write). A run folder a killed run left without a journal stays: it holds nothing, and
// a run starting at the same moment may be about to write its first record there.
void ClearStaleFiles(const std::filesystem::path& outputRoot);

// The journal written through the safe write, its temporary file beside it; `step` (may be
// empty) is told when the temporary file is written, before the rename.
[[nodiscard]] bool SaveJournal(const RunFolder& run,
                               const std::function<void(const char* step)>& step = {});

} // namespace quillon
