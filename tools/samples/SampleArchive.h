// Game archives (BSA) made in code, for the damaged-input tests, the fuzz seeds and the
// benchmark. The scenario tests make theirs with tests/archive/bsa_writer.py instead, a writer
// that shares no code with the reader; this one uses the reader's hashes, so only its layout and
// codecs are independent. Records are sorted by those hashes, as the game needs them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quillon {

struct SampleArchiveFile {
    std::string Path; // below the data folder, "\"-joined: "textures\a\b.dds"
    std::vector<std::uint8_t> Data;
    bool Toggled = false;       // stored the other way round from the archive's default
    std::uint64_t HoleSize = 0; // instead of Data: this many bytes left as a hole (sparse)
};

struct SampleArchiveOptions {
    std::uint32_t Version = 105; // 103 or 104: zlib streams; 105: LZ4 frames
    bool Compressed = true;      // the archive's default
    bool EmbeddedNames = false;
    bool FolderNames = true;
    bool FileNames = true;
};

// The whole archive. Files with a HoleSize are not supported here.
std::vector<std::uint8_t> MakeSampleArchive(const std::vector<SampleArchiveFile>& files,
                                            const SampleArchiveOptions& options = {});

// Writes the archive to a native path; a hole stays sparse where the file system allows. False
// when it cannot be written.
bool WriteSampleArchive(const std::string& nativePath, const std::vector<SampleArchiveFile>& files,
                        const SampleArchiveOptions& options = {});

// Where the parts of an archive made by MakeSampleArchive lie, for tests that damage them.
struct SampleArchiveLayout {
    std::uint64_t FolderRecords = 36; // the first folder record
    std::uint64_t FolderRecordSize = 24;
    std::uint64_t FileRecords = 0;                 // the first folder's first file record
    std::uint64_t FileNames = 0;                   // the file-name table
    std::uint64_t Data = 0;                        // the first file's data
    std::map<std::string, std::uint64_t> RecordOf; // by path: its file record
    std::map<std::string, std::uint64_t> DataOf;   // by path: its data
};
SampleArchiveLayout SampleArchiveLayoutOf(const std::vector<SampleArchiveFile>& files,
                                          const SampleArchiveOptions& options = {});

} // namespace quillon
