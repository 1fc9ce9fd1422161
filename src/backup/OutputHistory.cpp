#include "backup/OutputHistory.h"

#include "platform/Paths.h"

#include <system_error>

namespace quillon {

namespace fs = std::filesystem;

namespace {

std::string RunName(const RunFolder& run) {
    return "run " + std::to_string(run.Number) + " of " + run.Record.Started;
}

// The run's history of a path (compared ignoring letter case, as Windows and our lookups do).
const PathHistory* FindPath(const std::vector<PathHistory>& paths, const std::string& relative) {
    for (const PathHistory& path : paths) {
        if (EqualsIgnoringCase(path.Path, relative)) {
            return &path;
        }
    }
    return nullptr;
}

} // namespace

const std::vector<RunFolder>& OutputHistory::RunsBelow(const fs::path& folder) {
    const auto found = Roots.find(folder);
    if (found != Roots.end()) {
        return found->second;
    }
    std::error_code error;
    std::vector<RunFolder> runs;
    if (fs::is_directory(folder / BackupFolderName, error)) {
        runs = ReadRuns(folder);
    }
    return Roots.emplace(folder, std::move(runs)).first->second;
}

InstalledOrigin OutputHistory::Trace(const std::string& nativeCandidate) {
    InstalledOrigin origin;
    origin.Path = nativeCandidate;
    std::error_code error;
    if (!fs::is_regular_file(nativeCandidate, error)) {
        return origin; // nothing there to be ours; the read reports it
    }
    const fs::path file = OutputRoot(nativeCandidate);
    // The nearest folder above the file whose runs wrote its path.
    for (fs::path root = file.parent_path(); root.has_relative_path(); root = root.parent_path()) {
        const std::vector<RunFolder>& runs = RunsBelow(root);
        const std::string relative = file.lexically_relative(root).generic_string();
        bool named = false;
        for (const RunFolder& run : runs) {
            named = named || (run.Readable && run.Record.Undone.empty() &&
                              FindPath(SummarizeRun(run.Record), relative) != nullptr);
        }
        if (!named) {
            continue;
        }
        ContentHash content;
        if (!HashFile(file.string(), content)) {
            return origin;
        }
        // From the newest run back: each run that wrote this content hands on to what it found
        // there; the oldest run that kept a file holds the original.
        const RunFolder* keeper = nullptr;
        std::string keptPath;
        ContentHash original;
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            if (!run->Readable || !run->Record.Undone.empty()) {
                continue;
            }
            const std::vector<PathHistory> paths = SummarizeRun(run->Record);
            const PathHistory* path = FindPath(paths, relative);
            if (path == nullptr || !path->WroteContent(content)) {
                continue;
            }
            if (!path->HadOriginal) {
                origin.Which = InstalledOrigin::Kind::OursNew;
                origin.Path.clear();
                origin.Note = DisplayPath(nativeCandidate) + " is Quillon's own output (" +
                              RunName(*run) + "), which replaced nothing: the next texture the " +
                              "game would load is the original.";
                return origin;
            }
            content = path->Original;
            if (path->Kept) {
                keeper = &*run;
                keptPath = path->Path;
                original = path->Original;
            }
        }
        if (keeper == nullptr) {
            return origin; // no run of ours replaced it: it is the player's
        }
        const fs::path kept = keeper->KeptOriginal(keptPath);
        ContentHash keptContent;
        if (!HashFile(kept.string(), keptContent) || keptContent != original) {
            origin.Note = DisplayPath(nativeCandidate) + " is Quillon's own output (" +
                          RunName(*keeper) + "), but the original it replaced is missing from " +
                          kept.string() + ": the blend starts from the file as it is.";
            return origin;
        }
        origin.Which = InstalledOrigin::Kind::OursReplaced;
        origin.Path = kept.string();
        origin.Note =
            DisplayPath(nativeCandidate) + " is Quillon's own output (" + RunName(*keeper) +
            "): the blend starts from the original it replaced, kept in " + kept.string() + ".";
        return origin;
    }
    return origin;
}

} // namespace quillon
