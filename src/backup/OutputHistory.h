// Whether an installed texture is one of Quillon's own outputs, so that no fix is applied twice.
// Given the native path of a file the game's lookup found, Trace looks for Quillon's folder in the
// folders above it and, where a run that still stands wrote that path, compares the file's
// content hash with what the run wrote. Only a hash match counts: a player's file that merely
// sits in an output folder is the player's. For one of ours, the blend's source is the original
// the first of our runs replaced (following runs back that wrote the same file again); when our
// file replaced nothing, the lookup's next candidate is the original.
//
// The runs read are kept until Forget(); single thread.
#pragma once

#include "backup/BackupFolder.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quillon {

struct InstalledOrigin {
    enum class Kind {
        Player,       // not ours: start from the file itself
        OursReplaced, // ours: start from the original it replaced, at Path
        OursNew,      // ours, and it replaced nothing: skip it, the next candidate is the original
    };
    Kind Which = Kind::Player;
    std::string Path; // native: the file a blend starts from; empty for OursNew
    std::string Note; // the line that says what was found; empty for a player's file
};

class OutputHistory {
public:
    [[nodiscard]] InstalledOrigin Trace(const std::string& nativeCandidate);
    // Runs were recorded or undone since: read them again at the next Trace.
    void Forget() { Roots.clear(); }

private:
    const std::vector<RunFolder>& RunsBelow(const std::filesystem::path& folder);

    std::map<std::filesystem::path, std::vector<RunFolder>> Roots; // empty: no folder of ours
};

} // namespace quillon
