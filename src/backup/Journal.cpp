#include "backup/Journal.h"

#include "platform/ReadFile.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace quillon {

namespace {

constexpr std::string_view FirstLine = "Quillon journal 1";

std::string Escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '%') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// The reverse of Escape; false for a raw control byte or a "%" not followed by two digits.
bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return false;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

// "YYYY-MM-DD HH:MM:SS", digits where digits belong.
bool IsTime(std::string_view text) {
    constexpr std::string_view Pattern = "0000-00-00 00:00:00";
    if (text.size() != Pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (Pattern[i] == '0' ? !digit : text[i] != Pattern[i]) {
            return false;
        }
    }
    return true;
}

// Splits "word rest" at the first space; the rest is empty when there is none.
std::pair<std::string_view, std::string_view> Split(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        return {line, {}};
    }
    return {line.substr(0, space), line.substr(space + 1)};
}

const char* StateName(EntryState state) {
    switch (state) {
    case EntryState::Pending:
        return "pending";
    case EntryState::Written:
        return "written";
    case EntryState::Failed:
        return "failed";
    }
    return "";
}

const char* KindName(EntryKind kind) {
    switch (kind) {
    case EntryKind::Replaced:
        return "replaced";
    case EntryKind::New:
        return "new";
    case EntryKind::Same:
        return "same";
    }
    return "";
}

bool ParseFile(std::string_view rest, JournalEntry& entry, std::string& reason) {
    std::string_view fields[4];
    for (std::string_view& field : fields) {
        std::tie(field, rest) = Split(rest);
    }
    const std::string_view state = fields[0], kind = fields[1];
    if (state == "pending") {
        entry.State = EntryState::Pending;
    } else if (state == "written") {
        entry.State = EntryState::Written;
    } else if (state == "failed") {
        entry.State = EntryState::Failed;
    } else {
        reason = "unknown file state";
        return false;
    }
    if (kind == "replaced") {
        entry.Kind = EntryKind::Replaced;
    } else if (kind == "new") {
        entry.Kind = EntryKind::New;
    } else if (kind == "same") {
        entry.Kind = EntryKind::Same;
    } else {
        reason = "unknown file kind";
        return false;
    }
    if (!ParseHex(fields[2], entry.Written)) {
        reason = "a written file's hash is not 32 hexadecimal digits";
        return false;
    }
    const bool replacedHash = entry.Kind != EntryKind::New;
    if (replacedHash ? !ParseHex(fields[3], entry.Replaced) : fields[3] != "-") {
        reason = "a replaced file's hash is not 32 hexadecimal digits";
        return false;
    }
    if (entry.Kind == EntryKind::Same && entry.Replaced != entry.Written) {
        reason = "a file kept as it was has two hashes";
        return false;
    }
    // The path is the rest of the line, spaces included.
    if (!Unescape(rest, entry.Path) || !IsSafeRelativePath(entry.Path)) {
        reason = "a file's path is not a relative path below the output folder";
        return false;
    }
    return true;
}

} // namespace

bool IsSafeRelativePath(std::string_view path) {
    if (path.empty() || path.size() > 4096) {
        return false;
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        for (const char c : part) {
            if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == ':') {
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

std::vector<PathHistory> SummarizeRun(const Journal& journal) {
    // Indexed by path: a damaged or hostile journal of many entries costs one pass, not a
    // search per entry.
    std::vector<PathHistory> paths;
    std::unordered_map<std::string_view, std::size_t> index;
    for (const JournalEntry& entry : journal.Files) {
        if (entry.State == EntryState::Failed) {
            continue;
        }
        const auto [at, added] = index.try_emplace(entry.Path, paths.size());
        if (added) {
            PathHistory path;
            path.Path = entry.Path;
            path.HadOriginal = entry.Kind != EntryKind::New;
            path.Original = entry.Replaced;
            paths.push_back(std::move(path));
        }
        PathHistory& found = paths[at->second];
        found.Kept = found.Kept || entry.Kind == EntryKind::Replaced;
        // A content written again in a row is listed once; a repeat further back does no harm.
        if (found.Written.empty() || !(found.Written.back() == entry.Written)) {
            found.Written.push_back(entry.Written);
        }
    }
    return paths;
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now); // one thread writes journals
    char text[32];
    if (local == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local) == 0) {
        return "1970-01-01 00:00:00";
    }
    return text;
}

std::string FormatJournal(const Journal& journal) {
    std::string text(FirstLine);
    text += "\nstarted " + journal.Started + "\nprogram " + Escape(journal.Program) + "\nwhat " +
            Escape(journal.What) + "\nprocess " + std::to_string(journal.Process) + "\n";
    std::size_t folder = 0;
    for (const JournalEntry& entry : journal.Files) {
        // Folders come before the first file that needed them; all of them before the files is
        // as good for the reader, and simpler.
        for (; folder < journal.Folders.size(); ++folder) {
            text += "folder " + Escape(journal.Folders[folder]) + "\n";
        }
        text += std::string("file ") + StateName(entry.State) + " " + KindName(entry.Kind) + " " +
                ToHex(entry.Written) + " " +
                (entry.Kind == EntryKind::New ? std::string("-") : ToHex(entry.Replaced)) + " " +
                Escape(entry.Path) + "\n";
        if (!entry.Reason.empty()) {
            text += "reason " + Escape(entry.Reason) + "\n";
        }
    }
    for (; folder < journal.Folders.size(); ++folder) {
        text += "folder " + Escape(journal.Folders[folder]) + "\n";
    }
    if (!journal.Ended.empty()) {
        text += "ended " + journal.Ended + (journal.EndedOk ? " ok\n" : " failed\n");
    }
    if (!journal.Undone.empty()) {
        text += "undone " + journal.Undone + "\n";
    }
    return text;
}

bool ParseJournal(std::string_view text, Journal& journal, std::string& reason) {
    journal = Journal();
    if (text.size() > MaxJournalBytes) {
        reason = "the journal is larger than any run writes";
        return false;
    }
    if (text.empty() || text.back() != '\n') {
        reason = "the journal does not end with a whole line";
        return false;
    }
    // Header lines in their order, then the body, then the ending lines.
    enum class Part { First, Started, Program, What, Process, Body, Ended, Undone };
    Part next = Part::First;
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const auto fail = [&](const std::string& why) {
            reason = "line " + std::to_string(number) + ": " + why;
            return false;
        };
        const auto [word, rest] = Split(line);
        std::string value;
        switch (next) {
        case Part::First:
            if (line != FirstLine) {
                return fail("not a Quillon journal of a known version");
            }
            next = Part::Started;
            continue;
        case Part::Started:
            if (word != "started" || !IsTime(rest)) {
                return fail("expected the time the run started");
            }
            journal.Started = std::string(rest);
            next = Part::Program;
            continue;
        case Part::Program:
            if (word != "program" || !Unescape(rest, journal.Program)) {
                return fail("expected the program that ran");
            }
            next = Part::What;
            continue;
        case Part::What:
            if (word != "what" || !Unescape(rest, journal.What)) {
                return fail("expected what ran");
            }
            next = Part::Process;
            continue;
        case Part::Process: {
            const auto [at, error] =
                std::from_chars(rest.data(), rest.data() + rest.size(), journal.Process);
            if (word != "process" || rest.empty() || error != std::errc() ||
                at != rest.data() + rest.size()) {
                return fail("expected the process number");
            }
            next = Part::Body;
            continue;
        }
        case Part::Body:
            if (word == "folder") {
                if (!Unescape(rest, value) || !IsSafeRelativePath(value)) {
                    return fail("a folder's path is not a relative path below the output folder");
                }
                journal.Folders.push_back(std::move(value));
                continue;
            }
            if (word == "file") {
                JournalEntry entry;
                std::string why;
                if (!ParseFile(rest, entry, why)) {
                    return fail(why);
                }
                journal.Files.push_back(std::move(entry));
                continue;
            }
            if (word == "reason") {
                if (journal.Files.empty() || !journal.Files.back().Reason.empty() ||
                    !Unescape(rest, value) || value.empty()) {
                    return fail("a reason that belongs to no file");
                }
                journal.Files.back().Reason = std::move(value);
                continue;
            }
            [[fallthrough]];
        case Part::Ended:
            if (word == "ended" && next != Part::Ended) {
                const std::string_view outcome = rest.size() > 20 ? rest.substr(20) : "";
                if (!IsTime(rest.substr(0, 19)) || rest.size() < 20 || rest[19] != ' ' ||
                    (outcome != "ok" && outcome != "failed")) {
                    return fail("expected the time the run ended and its outcome");
                }
                journal.Ended = std::string(rest.substr(0, 19));
                journal.EndedOk = rest.substr(20) == "ok";
                next = Part::Ended;
                continue;
            }
            [[fallthrough]];
        case Part::Undone:
            if (word == "undone" && next != Part::Undone && IsTime(rest)) {
                journal.Undone = std::string(rest);
                next = Part::Undone;
                continue;
            }
            return fail("unexpected record");
        }
    }
    if (next < Part::Body) {
        reason = "the journal ends before its header does";
        return false;
    }
    return true;
}

bool ReadJournalFile(const std::string& nativePath, Journal& journal, std::string& reason) {
    std::string text;
    if (const Outcome read = ReadWholeFile(nativePath, MaxJournalBytes, text); !read) {
        reason = "the journal cannot be read: " + read.Why().Text;
        return false;
    }
    return ParseJournal(text, journal, reason);
}

} // namespace quillon
