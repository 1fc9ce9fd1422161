#include "platform/Workspace.h"

#include "platform/Paths.h"
#include "platform/ReadFile.h"
#include "platform/SafeWrite.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

fs::path ProgramFolder() {
#ifdef _WIN32
    char buffer[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        return {}; // failed, or the name was cut short
    }
    return fs::path(std::string(buffer, length)).parent_path();
#else
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
#endif
}

// The entry of `folder` named `name`, letter case ignored; empty when there is none.
fs::path FindIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (EqualsIgnoringCase(it->path().filename().string(), name)) {
            return it->path();
        }
    }
    return {};
}

bool IsFolder(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

// Makes a folder (and its parents), noting it when it is new.
bool MakeFolder(const fs::path& folder, std::vector<std::string>& made, std::string& reason) {
    if (IsFolder(folder)) {
        return true;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error || !IsFolder(folder)) {
        reason = "cannot make the folder " + folder.string() +
                 (error ? ": " + error.message() : std::string());
        return false;
    }
    made.push_back(folder.string());
    return true;
}

// Reads a small file whole; false when it is missing, unreadable or larger than `limit`. The size
// is checked before anything is allocated.
bool ReadSmallFile(const fs::path& path, std::uintmax_t limit, std::vector<std::uint8_t>& bytes) {
    return static_cast<bool>(ReadWholeFile(path.string(), limit, bytes));
}

// Copies the *.xml files of `from` into the folder `to`, which exists.
bool CopyDefinitions(const fs::path& from, const fs::path& to, std::vector<std::string>& made,
                     std::string& reason) {
    std::vector<fs::path> files;
    std::error_code error;
    fs::directory_iterator it(from, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (it->is_regular_file(error) && name.size() > 4 &&
            EqualsIgnoringCase(name.substr(name.size() - 4), ".xml")) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end()); // the same order, and the same notes, on every system
    for (const fs::path& file : files) {
        std::vector<std::uint8_t> bytes;
        const fs::path target = to / file.filename();
        if (!ReadSmallFile(file, MaxShippedDefinitionSize, bytes)) {
            reason = "cannot read the example set definitions in " + file.string();
            return false;
        }
        if (!WriteBytesSafely(target.string(), bytes)) {
            reason = "cannot write " + target.string();
            return false;
        }
        made.push_back(target.string());
    }
    return true;
}

} // namespace

WorkspaceFacts WorkspaceFactsOfThisProgram() {
    WorkspaceFacts facts;
#ifdef _WIN32
    facts.Rules = WorkspaceRules::Windows;
#else
    facts.Rules = WorkspaceRules::Xdg;
#endif
    std::error_code error;
    facts.CurrentFolder = fs::current_path(error);
    facts.ProgramFolder = ProgramFolder();
    facts.XdgDataHome = Environment("XDG_DATA_HOME");
    facts.Home = Environment("HOME");
    facts.AppData = Environment("APPDATA");
    return facts;
}

bool IsWorkspace(const fs::path& folder) {
    const fs::path config = FindIgnoringCase(folder, "Config.xml");
    std::error_code error;
    return (!config.empty() && !fs::is_directory(config, error)) ||
           IsFolder(FindIgnoringCase(folder, "SetDefs"));
}

WorkspaceChoice ChooseWorkspace(const WorkspaceFacts& facts) {
    WorkspaceChoice choice;
    if (!facts.CurrentFolder.empty() && IsWorkspace(facts.CurrentFolder)) {
        choice.Folder = facts.CurrentFolder;
        choice.IsCurrentFolder = true;
        return choice;
    }
    if (facts.Rules == WorkspaceRules::Windows) {
        std::error_code error;
        if (!facts.ProgramFolder.empty() &&
            fs::is_regular_file(facts.ProgramFolder / "portable.txt", error)) {
            choice.Folder = facts.ProgramFolder;
        } else if (!facts.AppData.empty()) {
            choice.Folder = fs::path(facts.AppData) / "Quillon";
        } else {
            choice.Reason = "APPDATA is not set";
        }
        return choice;
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say.
    if (!facts.XdgDataHome.empty() && fs::path(facts.XdgDataHome).is_absolute()) {
        choice.Folder = fs::path(facts.XdgDataHome) / "quillon";
    } else if (!facts.Home.empty()) {
        choice.Folder = fs::path(facts.Home) / ".local" / "share" / "quillon";
    } else {
        choice.Reason = "neither XDG_DATA_HOME nor HOME is set";
    }
    return choice;
}

fs::path FindShippedSetDefs(const fs::path& programFolder) {
    if (programFolder.empty()) {
        return {};
    }
    for (const fs::path& base : {programFolder, programFolder.parent_path()}) {
        const fs::path folder = base / "share" / "quillon" / "SetDefs";
        if (IsFolder(folder)) {
            return folder;
        }
    }
    return {};
}

bool PrepareWorkspace(const fs::path& folder, const fs::path& shippedSetDefs,
                      std::vector<std::string>& made, std::string& reason) {
    if (!MakeFolder(folder, made, reason)) {
        return false;
    }
    // Without shipped definitions (a program copied alone) no SetDefs is made, so that a later
    // start with them at hand still copies them.
    if (FindIgnoringCase(folder, "SetDefs").empty() && IsFolder(shippedSetDefs)) {
        // Filled beside and renamed when whole: a start cut short leaves no half-filled SetDefs
        // that later starts would take for the player's own and never fill.
        const fs::path setDefs = folder / "SetDefs";
        const fs::path partial = folder / "SetDefs.partial";
        std::error_code error;
        fs::remove_all(partial, error); // what a start cut short left
        std::vector<std::string> copied;
        if (!MakeFolder(partial, copied, reason) ||
            !CopyDefinitions(shippedSetDefs, partial, copied, reason)) {
            fs::remove_all(partial, error);
            return false;
        }
        fs::rename(partial, setDefs, error);
        if (error) {
            reason = "cannot make the folder " + setDefs.string() + ": " + error.message();
            fs::remove_all(partial, error);
            return false;
        }
        for (const std::string& path : copied) {
            const fs::path inside = fs::path(path).lexically_relative(partial);
            made.push_back((inside == "." ? setDefs : setDefs / inside).string());
        }
    }
    for (const char* name : {"Library", "Source"}) {
        const fs::path existing = FindIgnoringCase(folder, name);
        if (existing.empty() && !MakeFolder(folder / name, made, reason)) {
            return false;
        }
    }
    return true;
}

WorkspaceStart EnterWorkspace(const WorkspaceFacts& facts) {
    WorkspaceStart start;
    start.Folder = facts.CurrentFolder;
    const WorkspaceChoice choice = ChooseWorkspace(facts);
    if (choice.IsCurrentFolder) {
        return start; // as it always was: nothing made, nothing moved
    }
    if (choice.Folder.empty()) {
        start.Problem = choice.Reason;
        return start;
    }
    std::string reason;
    if (!PrepareWorkspace(choice.Folder, FindShippedSetDefs(facts.ProgramFolder), start.Made,
                          reason)) {
        start.Problem = reason;
        return start;
    }
    std::error_code error;
    fs::current_path(choice.Folder, error);
    if (error) {
        start.Problem = "cannot enter " + choice.Folder.string() + ": " + error.message();
        return start;
    }
    start.Folder = choice.Folder;
    return start;
}

WorkspaceStart EnterWorkspaceOfThisProgram(const std::string& programName) {
    const WorkspaceStart start = EnterWorkspace(WorkspaceFactsOfThisProgram());
    if (!start.Problem.empty()) {
        std::cerr << programName << ": no workspace of its own (" << start.Problem
                  << "); working in " << start.Folder.string() << std::endl;
    } else if (!start.Made.empty()) {
        // What was made, below the workspace: all of it on a first start.
        std::string made;
        for (const std::string& path : start.Made) {
            const fs::path relative = fs::path(path).lexically_relative(start.Folder);
            if (!relative.empty() && relative != ".") {
                made += (made.empty() ? "" : ", ") + relative.generic_string();
            }
        }
        std::cerr << programName << ": workspace " << start.Folder.string() << ": made "
                  << (made.empty() ? "the folder" : made) << std::endl;
    }
    return start;
}

} // namespace quillon
