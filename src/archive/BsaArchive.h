// One game archive (BSA, versions 103, 104 and 105), read the way the game reads it: opening
// reads the header, the records and the name tables, never the files' data; a file is read and
// decompressed when asked for. Every count, offset and size is checked against the file's length
// in 64-bit arithmetic before it is used, so a damaged archive is a failed open or a failed
// extraction with its reason, never a crash, a hang or an allocation beyond what the file holds.
// Paths are relative to the data folder and match ignoring ASCII letter case, with "\" and "/"
// alike. An open archive is not changed by reading: extractions may run on several threads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// The largest file taken out of an archive: the image reader's largest texture file.
constexpr std::uint64_t MaxExtractedSize = std::uint64_t(2) << 30;
// Larger indexes (records and names) are not read: a game archive's take a few megabytes.
constexpr std::uint64_t MaxArchiveIndexSize = std::uint64_t(64) << 20;

class BsaArchive {
public:
    // False, with Problem() saying why, when the file cannot be read as an archive.
    [[nodiscard]] bool Open(const std::string& nativePath);

    const std::string& Problem() const { return Reason; }
    const std::string& NativePath() const { return Path; }
    std::uint32_t Version() const { return FormatVersion; }
    std::size_t FileCount() const { return Entries.size(); }

    [[nodiscard]] bool Contains(std::string_view relativePath) const;

    // The file's bytes, or only its first `limit` bytes. False, with `reason`, when the archive
    // does not hold it or its data is damaged.
    [[nodiscard]] bool Extract(std::string_view relativePath, std::vector<std::uint8_t>& bytes,
                               std::string& reason, std::uint64_t limit = MaxExtractedSize) const;

    // Every file's path as the archive names it ("folder\file", lower-cased); empty for an
    // archive without names.
    std::vector<std::string> FilePaths() const;

private:
    struct Entry {
        std::uint64_t FolderHash = 0;
        std::uint64_t FileHash = 0;
        std::uint32_t Folder = 0;    // in FolderPaths
        std::uint32_t NameStart = 0; // in FileNames, when the archive has names
        std::uint32_t NameLength = 0;
        std::uint32_t Size = 0;   // bytes stored, an embedded name and an original size included
        std::uint32_t Offset = 0; // from the start of the file
        bool Compressed = false;
    };

    const Entry* Find(std::string_view relativePath) const;
    std::string_view FileNameOf(const Entry& entry) const;
    bool Precedes(const Entry& entry, std::string_view folder, std::string_view file) const;

    std::string Path;
    std::string Reason;
    std::uint32_t FormatVersion = 0;
    std::uint32_t Flags = 0;
    std::uint64_t Length = 0; // of the file when it was opened
    bool Named = false;       // folder and file names are included
    // Lower-cased names, each kept once: the folders' ("" for the data folder itself), and the
    // files' one after another.
    std::vector<std::string> FolderPaths;
    std::string FileNames;
    std::vector<Entry> Entries;
    std::vector<std::uint32_t> Order; // Entries by name, or by hashes without names
};

} // namespace quillon
