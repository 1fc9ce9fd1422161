// For fuzz targets of loaders that read files from the current directory: a temporary folder made
// once per run, and a guard that makes it the current directory while one input runs (libFuzzer
// reads and writes its corpus relative to the directory it started in). Removed when the run ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace quillon {

struct FuzzFolderState {
    std::filesystem::path Path;
    int Started = -1; // the directory the run started in, open
};

inline FuzzFolderState& FuzzFolder() {
    static FuzzFolderState state;
    return state;
}

// Makes the folder, in memory where the system offers it (each input is written there: on disk
// that costs most of the run); aborts the run when it cannot.
inline void MakeFuzzFolder() {
    std::error_code error;
    const std::filesystem::path memory = "/dev/shm";
    const std::filesystem::path parent = std::filesystem::is_directory(memory, error)
                                             ? memory
                                             : std::filesystem::temp_directory_path();
    std::string name = (parent / "quillon-fuzz-XXXXXX").string();
    FuzzFolder().Started = open(".", O_RDONLY | O_DIRECTORY);
    if (mkdtemp(name.data()) == nullptr || FuzzFolder().Started < 0) {
        std::abort();
    }
    FuzzFolder().Path = name;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(FuzzFolder().Path, ignored);
    });
}

// Replaces the file at a path relative to the folder with the input's bytes.
inline void WriteFuzzInput(const std::string& relative, const std::uint8_t* data,
                           std::size_t size) {
    std::ofstream out(FuzzFolder().Path / relative, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

class InFuzzFolder {
public:
    InFuzzFolder() {
        if (chdir(FuzzFolder().Path.c_str()) != 0) {
            std::abort();
        }
    }
    ~InFuzzFolder() {
        if (fchdir(FuzzFolder().Started) != 0) {
            std::abort();
        }
    }
    InFuzzFolder(const InFuzzFolder&) = delete;
    InFuzzFolder& operator=(const InFuzzFolder&) = delete;
};

} // namespace quillon
