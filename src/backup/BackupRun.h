// One run's protection of the files it writes: before a file below an output folder is replaced,
// the file is kept in the run's folder (a hard link, so nothing is copied where the file system
// has them), and every step is recorded in the run's journal before it is taken. Whenever the
// process is killed, each file is the old one or the new one, and the journal says which files
// the run was about to touch, so that a restore can bring every byte back.
//
// Order of one write: the journal names the file (pending) -> missing folders are made -> the
// file there is linked into the run's folder -> the new bytes go to a temporary file in Quillon's
// folder -> rename over the file; the journal says written with its next record. A failed write
// puts nothing in place, drops the kept link, and the journal says failed and why.
//
// Single thread: the session's.
#pragma once

#include "backup/BackupFolder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillon {

class BackupRun {
public:
    // `what` names the run in the journal and the restore's list ("head fix", "Blend Images").
    explicit BackupRun(std::string what);
    ~BackupRun(); // finishes the run, as failed when Finish was not called
    BackupRun(const BackupRun&) = delete;
    BackupRun& operator=(const BackupRun&) = delete;

    // Writes `bytes` to `target`, a program path below `outputFolder` (a program path too, ""
    // being the current directory), keeping what it replaces. False, with Failure() saying why,
    // when the file could not be written; what was there then stays.
    [[nodiscard]] bool Write(const std::string& outputFolder, const std::string& target,
                             const std::vector<std::uint8_t>& bytes);

    // Records the run's end in each journal it wrote.
    void Finish(bool ok);

    const std::string& Failure() const { return LastFailure; }

    // Told after each step of a write, with the step's name; tests stop the process there.
    std::function<void(const char* step)> StepDone;
    // False: no backups and no journal, the writes go straight through the safe write. Only the
    // bench sets it, to measure what the protection costs.
    bool Keep = true;

private:
    struct Record {
        std::filesystem::path Root; // the output folder, native and absolute
        RunFolder Run;
        bool Saved = false; // the journal exists on disk
    };

    Record* RecordFor(const std::filesystem::path& root);
    bool Save(Record& record);
    bool Fail(const std::string& why);
    void Step(const char* name) const;

    std::string What;
    std::vector<std::unique_ptr<Record>> Records; // one per output folder written to
    std::string LastFailure;
    bool Finished = false;
};

} // namespace quillon
