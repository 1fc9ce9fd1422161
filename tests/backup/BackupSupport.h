// Files for the backup tests: an output folder with a few textures, written and read as text.
#pragma once

#include "backup/BackupFolder.h"
#include "backup/BackupRun.h"
#include "support/TestSupport.h"

#include <string>
#include <vector>

namespace quillon {

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// An output folder as a program path names it (it ends in a separator) and its files.
struct OutputFolder {
    TempFolder Root;
    std::string Program() const { return Root.Path().string() + NativeSeparator; }
    std::string File(const std::string& relative) const { return Root / relative; }
    std::string Read(const std::string& relative) const { return ReadTextFile(File(relative)); }
    void Write(const std::string& relative, const std::string& text) const {
        WriteTextFile(File(relative), text);
    }
    // One run that writes each (path, content) in order.
    bool RunWriting(const std::vector<std::pair<std::string, std::string>>& files,
                    const std::string& what = "test") const {
        BackupRun run(what);
        bool ok = true;
        for (const auto& [path, text] : files) {
            ok = run.Write(Program(), File(path), Bytes(text)) && ok;
        }
        run.Finish(ok);
        return ok;
    }
    std::vector<RunFolder> Runs() const { return ReadRuns(Root.Path()); }
};

} // namespace quillon
