#include "backup/BackupRun.h"

#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SafeWrite.h"

#include <quillon/Version.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

// The next run number below Quillon's folder: one past the highest there.
std::uint64_t NextRunNumber(const fs::path& ours) {
    std::uint64_t highest = 0;
    std::error_code error;
    for (fs::directory_iterator it(ours, error), last; !error && it != last; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::uint64_t number = 0;
        std::size_t digits = 0;
        while (digits < name.size() && digits < 18 && name[digits] >= '0' && name[digits] <= '9') {
            number = number * 10 + static_cast<std::uint64_t>(name[digits++] - '0');
        }
        if (digits > 0 && digits < name.size() && name[digits] == ' ') {
            highest = std::max(highest, number);
        }
    }
    return highest + 1;
}

// The file's folders below the root that do not exist yet, shallowest first, relative.
std::vector<std::string> MissingFolders(const fs::path& root, const fs::path& relative) {
    std::vector<std::string> missing;
    fs::path folder = root;
    fs::path partial;
    std::error_code error;
    for (auto part = relative.begin(); part != relative.end(); ++part) {
        if (std::next(part) == relative.end()) {
            break; // the file itself
        }
        folder /= *part;
        partial /= *part;
        if (!missing.empty() || !fs::exists(folder, error)) {
            missing.push_back(partial.generic_string());
        }
    }
    return missing;
}

// Keeps the file at `from` at `to` without copying where a hard link can do it.
bool KeepOriginal(const fs::path& from, const fs::path& to) {
    std::error_code error;
    fs::create_directories(to.parent_path(), error);
    fs::remove(to, error); // a link a killed attempt left
    fs::create_hard_link(from, to, error);
    if (!error) {
        return true;
    }
    // A file system without hard links (FAT, exFAT): the file must stay in place until the new
    // one is renamed over it, so it is copied.
    error.clear();
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error) && !error;
}

} // namespace

BackupRun::BackupRun(std::string what) : What(std::move(what)) {}

BackupRun::~BackupRun() {
    if (!Finished) {
        Finish(false);
    }
}

void BackupRun::Step(const char* name) const {
    if (StepDone) {
        StepDone(name);
    }
}

bool BackupRun::Fail(const std::string& why) {
    LastFailure = why;
    return false;
}

BackupRun::Record* BackupRun::RecordFor(const fs::path& root) {
    for (const auto& record : Records) {
        if (record->Root == root) {
            return record.get();
        }
    }
    const fs::path ours = root / BackupFolderName;
    std::error_code error;
    fs::create_directories(ours / TemporaryFolderName, error);
    if (!fs::is_directory(ours / TemporaryFolderName, error)) {
        return nullptr;
    }
    ClearStaleFiles(root);
    auto record = std::make_unique<Record>();
    record->Root = root;
    Journal& journal = record->Run.Record;
    journal.Started = LocalTimeNow();
    journal.Program = std::string("Quillon ") + QuillonVersion;
    journal.What = What;
    journal.Process = CurrentProcessId();
    // "<number> <date> <time>"; another process may take a number at the same moment.
    std::string stamp = journal.Started;
    stamp.erase(std::remove(stamp.begin() + 10, stamp.end(), ':'), stamp.end());
    for (std::uint64_t number = NextRunNumber(ours), tries = 0; tries < 1000; ++number, ++tries) {
        char name[48];
        std::snprintf(name, sizeof name, "%06llu %s", static_cast<unsigned long long>(number),
                      stamp.c_str());
        if (fs::create_directory(ours / name, error) && !error) {
            record->Run.Path = ours / name;
            record->Run.Number = number;
            Records.push_back(std::move(record));
            return Records.back().get();
        }
        if (error) {
            return nullptr;
        }
    }
    return nullptr;
}

bool BackupRun::Save(Record& record) {
    const bool saved = SaveJournal(record.Run, StepDone);
    record.Saved = record.Saved || saved;
    return saved;
}

bool BackupRun::Write(const std::string& outputFolder, const std::string& target,
                      const std::vector<std::uint8_t>& bytes) {
    LastFailure.clear();
    if (!outputFolder.empty()) {
        CreateFolderChain(outputFolder); // an existing folder is fine; a failure shows below
    }
    const fs::path root = OutputRoot(outputFolder);
    const fs::path file = OutputRoot(target);
    if (!Keep) {
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
        return WriteBytesSafely(file.string(), bytes) || Fail("writing the file failed");
    }
    const fs::path relative = file.lexically_relative(root);
    if (!IsSafeRelativePath(relative.generic_string())) {
        return Fail("the file would lie outside the output folder " + root.string());
    }
    Record* record = RecordFor(root);
    if (record == nullptr) {
        return Fail("Quillon's folder for backups cannot be made in " + root.string());
    }
    Journal& journal = record->Run.Record;

    // What is there now decides what must be kept.
    JournalEntry entry;
    entry.Path = relative.generic_string();
    entry.Written = HashBytes(bytes);
    std::error_code error;
    const bool exists = fs::is_regular_file(file, error);
    if (exists && !HashFile(file.string(), entry.Replaced)) {
        return Fail("the file there cannot be read, so it cannot be kept");
    }
    // A file this run wrote before: its first entry tells what was there before the run.
    const JournalEntry* first = nullptr;
    bool keptBefore = false;
    for (const JournalEntry& old : journal.Files) {
        if (old.Path == entry.Path && old.State != EntryState::Failed) {
            first = first != nullptr ? first : &old;
            keptBefore = keptBefore || old.Kind == EntryKind::Replaced;
        }
    }
    if (exists && entry.Replaced == entry.Written && fs::file_size(file, error) == bytes.size()) {
        if (first != nullptr) {
            return true; // recorded already
        }
        entry.Kind = EntryKind::Same; // nothing to write or keep: the file holds these bytes
        entry.State = EntryState::Written;
        journal.Files.push_back(entry);
        return Save(*record) ||
               Fail("the journal cannot be written in " + record->Run.Path.string());
    }
    bool keep = false;
    if (first == nullptr) {
        entry.Kind = exists ? EntryKind::Replaced : EntryKind::New;
        keep = exists;
    } else if (first->Kind == EntryKind::New) {
        entry.Kind = EntryKind::New;
        entry.Replaced = ContentHash();
    } else {
        entry.Kind = EntryKind::Replaced;
        entry.Replaced = first->Replaced; // the original, kept now unless it was before
        keep = !keptBefore;
    }
    const std::vector<std::string> folders = MissingFolders(root, relative);
    journal.Folders.insert(journal.Folders.end(), folders.begin(), folders.end());
    journal.Files.push_back(entry);
    const std::size_t index = journal.Files.size() - 1;
    // A failure is recorded at once. A success goes into the journal with its next record (the
    // next file, or the run's end): until then the journal names the file as pending, and its
    // hash tells a restore what happened, so one flush to the disk a file is enough.
    const auto failed = [&](const std::string& why) {
        journal.Files[index].State = EntryState::Failed;
        journal.Files[index].Reason = why;
        (void)Save(*record); // should this fail too, the file's hash still tells
        Step("recorded");
        return Fail(why);
    };
    if (!Save(*record)) {
        // Nothing may be touched that the journal does not name.
        journal.Files.pop_back();
        journal.Folders.resize(journal.Folders.size() - folders.size());
        return Fail("the journal cannot be written in " + record->Run.Path.string());
    }
    Step("journal");

    fs::create_directories(file.parent_path(), error);
    const fs::path kept = record->Run.KeptOriginal(entry.Path);
    if (keep && !KeepOriginal(file, kept)) {
        return failed("the file there cannot be kept in " + record->Run.Path.string());
    }
    Step("kept");
    const bool written = WriteFileSafely(
        file.string(),
        [&](const std::string& temp) {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
            out.close();
            Step("written aside");
            return static_cast<bool>(out);
        },
        (root / BackupFolderName / TemporaryFolderName).string());
    if (!written) {
        if (keep) {
            fs::remove(kept, error);
        }
        return failed("writing the file failed (the disk may be full, or the folder read-only)");
    }
    journal.Files[index].State = EntryState::Written;
    Step("renamed");
    return true;
}

void BackupRun::Finish(bool ok) {
    Finished = true;
    for (const auto& record : Records) {
        if (record->Saved) {
            record->Run.Record.Ended = LocalTimeNow();
            record->Run.Record.EndedOk = ok;
            (void)Save(*record); // if this fails the run reads as interrupted, which it then is
        }
    }
}

} // namespace quillon
