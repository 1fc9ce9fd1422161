// The journal of one run: what Quillon wrote below an output folder, what it replaced and what
// was new, with content hashes. It is written before each step it records (write-ahead) and read
// back by the restore and by the check that keeps a fix from being applied twice, so its reader
// takes the file as outside data: anything malformed is refused with a reason.
//
// The file is text, one record a line, each line ending in "\n":
//     Quillon journal 1
//     started 2026-12-07 14:03:22          local time
//     program quillon-cli 0.2.0
//     what head fix                        what ran: "head fix", "Blend Images", "save"
//     process 4711
//   then, in the order they happened:
//     folder <path>                        a folder the run created
//     file <state> <kind> <written> <replaced> <path>
//     reason <text>                        why the file before failed
//   and at last, each at most once:
//     ended 2026-12-07 14:03:25 ok|failed
//     undone 2026-12-07 15:00:00
// Paths are relative to the output folder, "/"-joined, as spelt on disk. In paths and texts the
// bytes below 0x20, 0x7F and "%" are written as "%XX".
#pragma once

#include "backup/ContentHash.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

enum class EntryState {
    Pending, // recorded before the write; the file's hash tells whether it happened
    Written, // the file holds what the run wrote
    Failed,  // the write failed; the file was left as it was
};

enum class EntryKind {
    Replaced, // a file was there; it is kept in the run's backup folder
    New,      // nothing was there
    Same,     // the file there held these very bytes already: nothing was written or kept
};

struct JournalEntry {
    EntryState State = EntryState::Pending;
    EntryKind Kind = EntryKind::New;
    ContentHash Written;  // what the run wrote, or meant to
    ContentHash Replaced; // what was there before (Replaced and Same)
    std::string Path;
    std::string Reason; // why a failed write failed
};

struct Journal {
    std::string Started;
    std::string Program;
    std::string What;
    std::uint64_t Process = 0;
    std::vector<std::string> Folders; // in the order they were made
    std::vector<JournalEntry> Files;
    std::string Ended; // empty while the run goes on, and after it was killed
    bool EndedOk = false;
    std::string Undone; // empty while the run stands
};

// What a run did to one path, from its entries in order (failed writes left out): a run may
// write a file more than once, and its first entry tells what was there before.
struct PathHistory {
    std::string Path;
    bool HadOriginal = false;         // false: the run made the file
    ContentHash Original;             // what was there before the run
    bool Kept = false;                // the original lies in the run's folder
    std::vector<ContentHash> Written; // every content the run wrote there

    bool WroteContent(const ContentHash& hash) const {
        return std::find(Written.begin(), Written.end(), hash) != Written.end();
    }
};
// In the order the paths were first written.
std::vector<PathHistory> SummarizeRun(const Journal& journal);

// The largest journal read back: far beyond any run's (a line per file).
inline constexpr std::uint64_t MaxJournalBytes = 16u << 20;

std::string FormatJournal(const Journal& journal);
// False, with the reason, for anything FormatJournal would not write.
[[nodiscard]] bool ParseJournal(std::string_view text, Journal& journal, std::string& reason);
// The file at a native path; its size is checked before anything is read.
[[nodiscard]] bool ReadJournalFile(const std::string& nativePath, Journal& journal,
                                   std::string& reason);

// A path the journal may name: relative, "/"-joined, no empty, "." or ".." part, no "\" or ":"
// (which would leave the output folder or name a drive on Windows), no byte below 0x20.
bool IsSafeRelativePath(std::string_view path);

// The local time as the journal writes it: "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeNow();

} // namespace quillon
