// The journal reader on the input: whatever it accepts must name only paths below the output
// folder and read back the same once written again. Then the restore's plan and the check of our
// own outputs read it from disk as the journal of a run, and must not leave the folder either.
#include "FuzzFolder.h"
#include "backup/OutputHistory.h"
#include "backup/Restore.h"

#include <cstdlib>
#include <string_view>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    const fs::path run =
        quillon::FuzzFolder().Path / "Out" / quillon::BackupFolderName / "000001 x";
    fs::create_directories(run / quillon::ReplacedFolderName / "a");
    std::ofstream(run / quillon::ReplacedFolderName / "a" / "b.dds") << "kept";
    std::ofstream(quillon::FuzzFolder().Path / "Out" / "a" / "b.dds") << "installed";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillon;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Journal journal;
    std::string reason;
    if (ParseJournal(text, journal, reason)) {
        for (const JournalEntry& entry : journal.Files) {
            if (!IsSafeRelativePath(entry.Path)) {
                std::abort();
            }
        }
        for (const std::string& folder : journal.Folders) {
            if (!IsSafeRelativePath(folder)) {
                std::abort();
            }
        }
        Journal again;
        if (!ParseJournal(FormatJournal(journal), again, reason) ||
            FormatJournal(again) != FormatJournal(journal)) {
            std::abort();
        }
        SummarizeRun(journal);
    } else if (reason.empty()) {
        std::abort(); // a refusal always says why
    }
    WriteFuzzInput("Out/" + std::string(BackupFolderName) + "/000001 x/" + JournalFileName, data,
                   size);
    const InFuzzFolder inFolder;
    const RestorePlan plan = PlanRestore("Out");
    for (const RestoreFile& file : plan.Files) {
        const fs::path inside = fs::path(file.Path).lexically_relative(FuzzFolder().Path / "Out");
        if (inside.empty() || *inside.begin() == "..") {
            std::abort();
        }
    }
    OutputHistory history;
    const InstalledOrigin origin = history.Trace((FuzzFolder().Path / "Out/a/b.dds").string());
    if (origin.Which == InstalledOrigin::Kind::OursReplaced &&
        origin.Path.find(BackupFolderName) == std::string::npos) {
        std::abort();
    }
    return 0;
}
