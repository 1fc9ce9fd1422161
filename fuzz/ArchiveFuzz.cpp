// Any bytes as a game archive: opening reads the index, then every file it names (and a path
// looked up by its hashes, for archives without names) is extracted whole and by its first bytes.
// A crash, a sanitizer report, a hang or a large allocation is a finding.
#include "FuzzFolder.h"
#include "archive/BsaArchive.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quillon::MakeFuzzFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quillon::WriteFuzzInput("fuzz.bsa", data, size);
    quillon::BsaArchive archive;
    if (!archive.Open((quillon::FuzzFolder().Path / "fuzz.bsa").string())) {
        return 0;
    }
    std::vector<std::string> paths = archive.FilePaths();
    if (paths.size() > 64) {
        paths.resize(64);
    }
    paths.push_back("textures\\a\\b.dds");
    std::vector<std::uint8_t> bytes;
    std::string reason;
    for (const std::string& path : paths) {
        static_cast<void>(archive.Extract(path, bytes, reason));
        if (archive.Extract(path, bytes, reason, 148) && bytes.size() > 148) {
            __builtin_trap();
        }
    }
    return 0;
}
