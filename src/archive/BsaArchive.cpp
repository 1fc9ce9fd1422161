#include "archive/BsaArchive.h"

#include "archive/BsaFormat.h"
#include "archive/BsaHash.h"
#include "archive/Decompress.h"

#include <algorithm>
#include <fstream>
#include <new>
#include <tuple>

namespace quillon {

namespace {

// Reads little-endian fields of a buffer; every read checks what is left first.
class Cursor {
public:
    Cursor(const std::uint8_t* data, std::size_t size) : Data(data), Size(size) {}

    bool Read(std::uint64_t& value, int bytes) {
        if (Remaining() < static_cast<std::size_t>(bytes)) {
            return false;
        }
        value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = (value << 8) | Data[Position + static_cast<std::size_t>(i)];
        }
        Position += static_cast<std::size_t>(bytes);
        return true;
    }
    bool Take(std::uint64_t bytes, const std::uint8_t*& start) {
        if (Remaining() < bytes) {
            return false;
        }
        start = Data + Position;
        Position += static_cast<std::size_t>(bytes);
        return true;
    }
    std::size_t Remaining() const { return Size - Position; }

private:
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Position = 0;
};

std::uint32_t SwapBytes(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

// Lower-cased, "\" between the parts, no leading separator.
std::string NormalisedPath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/') {
            c = '\\';
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != '\\' || !out.empty()) {
            out += c;
        }
    }
    return out;
}

// The text of a name field: up to its first zero, if any.
std::string_view NameText(const std::uint8_t* bytes, std::size_t length) {
    const auto* text = reinterpret_cast<const char*>(bytes);
    return std::string_view(text, std::find(text, text + length, '\0') - text);
}

bool ReadAt(const std::string& path, std::uint64_t offset, std::uint64_t size,
            std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    try {
        bytes.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return static_cast<bool>(in);
}

// "1 file", "2 files".
std::string Count(std::uint64_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

} // namespace

bool BsaArchive::Open(const std::string& nativePath) {
    *this = BsaArchive();
    Path = nativePath;
    auto fail = [this](std::string reason) {
        Reason = std::move(reason);
        Entries.clear();
        Order.clear();
        FolderPaths.clear();
        FileNames.clear();
        return false;
    };
    std::ifstream in(nativePath, std::ios::binary);
    if (!in) {
        return fail("it cannot be read");
    }
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    if (end < 0) {
        return fail("it cannot be read");
    }
    Length = static_cast<std::uint64_t>(end);
    if (Length < bsa::HeaderSize) {
        return fail("it is shorter than an archive's header");
    }
    std::uint8_t headerBytes[bsa::HeaderSize];
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(headerBytes), sizeof headerBytes)) {
        return fail("it cannot be read");
    }
    Cursor header(headerBytes, sizeof headerBytes);
    std::uint64_t magic, version, offset, flags, folderCount, fileCount, folderNamesLength,
        fileNamesLength;
    header.Read(magic, 4);
    header.Read(version, 4);
    header.Read(offset, 4);
    header.Read(flags, 4);
    header.Read(folderCount, 4);
    header.Read(fileCount, 4);
    header.Read(folderNamesLength, 4);
    header.Read(fileNamesLength, 4);
    if (magic != bsa::Magic) {
        return fail("it is not a BSA archive");
    }
    const auto isKnown = [](std::uint64_t v) {
        return v == bsa::VersionOblivion || v == bsa::VersionSkyrim || v == bsa::VersionSpecial;
    };
    if ((flags & bsa::XboxArchive) != 0 ||
        isKnown(SwapBytes(static_cast<std::uint32_t>(version)))) {
        return fail("it is an Xbox 360 archive (big-endian), which the PC game does not read");
    }
    if (!isKnown(version)) {
        return fail("its version " + std::to_string(version) + " is not 103, 104 or 105");
    }
    FormatVersion = static_cast<std::uint32_t>(version);
    Flags = static_cast<std::uint32_t>(flags);
    const bool folderNames = (Flags & bsa::DirectoryNamesIncluded) != 0;
    const bool fileNames = (Flags & bsa::FileNamesIncluded) != 0;
    Named = folderNames && fileNames;

    // Every part of the index must fit in the file before anything is read or allocated.
    if (offset < bsa::HeaderSize || offset > Length) {
        return fail("its folder records start past the end of the file");
    }
    const std::uint64_t left = Length - offset;
    const std::uint64_t folderRecordSize =
        FormatVersion == bsa::VersionSpecial ? bsa::SpecialFolderRecordSize : bsa::FolderRecordSize;
    const std::uint64_t folderRecords = folderCount * folderRecordSize;
    const std::uint64_t fileRecords = fileCount * bsa::FileRecordSize;
    if (folderRecords > left || fileRecords > left - folderRecords) {
        return fail("it declares " + Count(folderCount, "folder") + " and " +
                    Count(fileCount, "file") + ", more than its " + Count(Length, "byte") +
                    " can hold");
    }
    // Folder names: a length byte each and at most the declared total (a zero each included,
    // counted generously); file names: the declared table.
    const std::uint64_t namesBound =
        (folderNames ? 2 * folderCount + folderNamesLength : 0) + (fileNames ? fileNamesLength : 0);
    const std::uint64_t indexSize =
        std::min(left, folderRecords + fileRecords + std::min(namesBound, left));
    if (indexSize > MaxArchiveIndexSize) {
        return fail("its index of " + Count(indexSize, "byte") + " is larger than " +
                    Count(MaxArchiveIndexSize, "byte"));
    }
    std::vector<std::uint8_t> index;
    if (!ReadAt(nativePath, offset, indexSize, index)) {
        return fail("it cannot be read");
    }
    Cursor cursor(index.data(), index.size());

    struct Folder {
        std::uint64_t Hash = 0, Files = 0;
    };
    std::vector<Folder> folders(static_cast<std::size_t>(folderCount));
    std::uint64_t listed = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        std::uint64_t ignored;
        cursor.Read(folders[i].Hash, 8); // the sizes were checked above
        cursor.Read(folders[i].Files, 4);
        cursor.Read(ignored, FormatVersion == bsa::VersionSpecial ? 4 : 0);
        cursor.Read(ignored, FormatVersion == bsa::VersionSpecial ? 8 : 4);
        if (i > 0 && folders[i].Hash < folders[i - 1].Hash) {
            return fail("its folder records are out of hash order, so the game cannot find them");
        }
        listed += folders[i].Files;
    }
    if (listed != fileCount) {
        return fail("its folder records list " + Count(listed, "file") + ", its header " +
                    std::to_string(fileCount));
    }

    Entries.resize(static_cast<std::size_t>(fileCount));
    FolderPaths.resize(folders.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folderNames) {
            std::uint64_t length;
            const std::uint8_t* text = nullptr;
            if (!cursor.Read(length, 1) || !cursor.Take(length, text)) {
                return fail("its folder names run past its index");
            }
            FolderPaths[i] = NormalisedPath(NameText(text, static_cast<std::size_t>(length)));
            if (FolderPaths[i] == ".") {
                FolderPaths[i].clear(); // the data folder itself
            }
        }
        std::uint64_t previous = 0;
        for (std::uint64_t j = 0; j < folders[i].Files; ++j, ++next) {
            std::uint64_t hash, size, dataOffset;
            if (!cursor.Read(hash, 8) || !cursor.Read(size, 4) || !cursor.Read(dataOffset, 4)) {
                return fail("its file records run past its index");
            }
            if (j > 0 && hash < previous) {
                return fail("its file records are out of hash order, so the game cannot find them");
            }
            previous = hash;
            Entry& entry = Entries[next];
            entry.FolderHash = folders[i].Hash;
            entry.FileHash = hash;
            entry.Folder = static_cast<std::uint32_t>(i);
            entry.Size = static_cast<std::uint32_t>(size) & bsa::SizeMask;
            entry.Offset = static_cast<std::uint32_t>(dataOffset);
            entry.Compressed = ((Flags & bsa::CompressedByDefault) != 0) !=
                               ((static_cast<std::uint32_t>(size) & bsa::CompressionToggle) != 0);
        }
    }

    if (fileNames) {
        // The table may be cut short by the end of the file; then its names run out below.
        const std::size_t tableSize =
            static_cast<std::size_t>(std::min<std::uint64_t>(fileNamesLength, cursor.Remaining()));
        const std::uint8_t* table = nullptr;
        cursor.Take(tableSize, table);
        const auto* text = reinterpret_cast<const char*>(table);
        FileNames.reserve(tableSize);
        std::size_t at = 0;
        for (Entry& entry : Entries) {
            const char* stop = std::find(text + at, text + tableSize, '\0');
            if (stop == text + tableSize) {
                return fail("its file name table ends before its " + Count(fileCount, "name"));
            }
            const std::string name =
                NormalisedPath(std::string_view(text + at, stop - (text + at)));
            entry.NameStart = static_cast<std::uint32_t>(FileNames.size());
            entry.NameLength = static_cast<std::uint32_t>(name.size());
            FileNames += name;
            at = static_cast<std::size_t>(stop - text) + 1;
        }
    }

    Order.resize(Entries.size());
    for (std::uint32_t i = 0; i < Order.size(); ++i) {
        Order[i] = i;
    }
    if (Named) {
        std::sort(Order.begin(), Order.end(), [this](std::uint32_t a, std::uint32_t b) {
            return Precedes(Entries[a], FolderPaths[Entries[b].Folder], FileNameOf(Entries[b]));
        });
    } else {
        std::sort(Order.begin(), Order.end(), [this](std::uint32_t a, std::uint32_t b) {
            return std::tie(Entries[a].FolderHash, Entries[a].FileHash) <
                   std::tie(Entries[b].FolderHash, Entries[b].FileHash);
        });
    }
    return true;
}

std::string_view BsaArchive::FileNameOf(const Entry& entry) const {
    return std::string_view(FileNames).substr(entry.NameStart, entry.NameLength);
}

bool BsaArchive::Precedes(const Entry& entry, std::string_view folder,
                          std::string_view file) const {
    const std::string_view entryFolder = FolderPaths[entry.Folder];
    return entryFolder != folder ? entryFolder < folder : FileNameOf(entry) < file;
}

const BsaArchive::Entry* BsaArchive::Find(std::string_view relativePath) const {
    const std::string path = NormalisedPath(relativePath);
    const std::size_t slash = path.rfind('\\');
    const std::string_view folder =
        slash == std::string::npos ? std::string_view() : std::string_view(path).substr(0, slash);
    const std::string_view file = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    if (Named) {
        const auto found =
            std::lower_bound(Order.begin(), Order.end(), 0, [&](std::uint32_t i, int) {
                return Precedes(Entries[i], folder, file);
            });
        return found != Order.end() && FolderPaths[Entries[*found].Folder] == folder &&
                       FileNameOf(Entries[*found]) == file
                   ? &Entries[*found]
                   : nullptr;
    }
    const auto key = std::make_pair(bsa::FolderHash(folder), bsa::FileHash(file));
    const auto found =
        std::lower_bound(Order.begin(), Order.end(), key, [this](std::uint32_t i, const auto& k) {
            return std::make_pair(Entries[i].FolderHash, Entries[i].FileHash) < k;
        });
    return found != Order.end() &&
                   std::make_pair(Entries[*found].FolderHash, Entries[*found].FileHash) == key
               ? &Entries[*found]
               : nullptr;
}

bool BsaArchive::Contains(std::string_view relativePath) const {
    return Find(relativePath) != nullptr;
}

std::vector<std::string> BsaArchive::FilePaths() const {
    std::vector<std::string> paths;
    if (Named) {
        for (const Entry& entry : Entries) {
            const std::string& folder = FolderPaths[entry.Folder];
            paths.push_back(folder + (folder.empty() ? "" : "\\") + std::string(FileNameOf(entry)));
        }
    }
    return paths;
}

bool BsaArchive::Extract(std::string_view relativePath, std::vector<std::uint8_t>& bytes,
                         std::string& reason, std::uint64_t limit) const {
    bytes.clear();
    const Entry* entry = Find(relativePath);
    if (entry == nullptr) {
        reason = "the archive does not hold it";
        return false;
    }
    if (std::uint64_t(entry->Offset) + entry->Size > Length) {
        reason = "its data lies past the end of the archive";
        return false;
    }
    std::vector<std::uint8_t> stored;
    if (!ReadAt(Path, entry->Offset, entry->Size, stored)) {
        reason = "its data cannot be read";
        return false;
    }
    Cursor cursor(stored.data(), stored.size());
    if (FormatVersion != bsa::VersionOblivion && (Flags & bsa::EmbeddedFileNames) != 0) {
        std::uint64_t length;
        const std::uint8_t* name = nullptr;
        if (!cursor.Read(length, 1) || !cursor.Take(length, name)) {
            reason = "its embedded name runs past its data";
            return false;
        }
    }
    std::uint64_t size = cursor.Remaining();
    if (entry->Compressed && !cursor.Read(size, 4)) {
        reason = "its data is too short for a compressed file";
        return false;
    }
    if (size > MaxExtractedSize) {
        reason = "it declares " + Count(size, "byte") + ", more than a texture can take";
        return false;
    }
    if (entry->Compressed && size > cursor.Remaining() * bsa::MaxExpansion + 64) {
        reason = "it declares " + Count(size, "byte") + ", more than its " +
                 Count(cursor.Remaining(), "stored byte") + " can give";
        return false;
    }
    const std::uint64_t wanted = std::min(size, limit);
    const std::uint8_t* data = nullptr;
    const std::uint64_t available = cursor.Remaining();
    cursor.Take(available, data);
    try {
        if (!entry->Compressed) {
            bytes.assign(data, data + wanted);
            return true;
        }
        bytes.resize(static_cast<std::size_t>(wanted));
    } catch (const std::bad_alloc&) {
        reason = "there is not enough memory for its " + Count(wanted, "byte");
        return false;
    }
    const bsa::Codec codec =
        FormatVersion == bsa::VersionSpecial ? bsa::Codec::Lz4Frame : bsa::Codec::Zlib;
    reason = bsa::Decompress(codec, data, static_cast<std::size_t>(available), bytes.data(),
                             bytes.size(), wanted == size);
    if (!reason.empty()) {
        bytes.clear();
        return false;
    }
    return true;
}

} // namespace quillon
