#include "samples/SampleArchive.h"

#include "archive/BsaHash.h"
#include "platform/SafeWrite.h"

#include <lz4frame.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace quillon {

namespace {

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> Compress(std::uint32_t version, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> packed;
    if (version == 105) {
        packed.resize(LZ4F_compressFrameBound(data.size(), nullptr));
        const std::size_t size =
            LZ4F_compressFrame(packed.data(), packed.size(), data.data(), data.size(), nullptr);
        packed.resize(LZ4F_isError(size) ? 0 : size);
    } else {
        uLongf size = compressBound(static_cast<uLong>(data.size()));
        packed.resize(size);
        if (compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), 6) !=
            Z_OK) {
            size = 0;
        }
        packed.resize(size);
    }
    return packed;
}

struct Stored {
    const SampleArchiveFile* File = nullptr;
    std::string Name;                 // without folder
    std::vector<std::uint8_t> Prefix; // embedded name and original size, then the stream
    std::uint64_t Size = 0;           // bytes stored
};

struct Built {
    std::vector<std::uint8_t> Index; // header, records, names
    std::vector<Stored> Files;       // in record order
    SampleArchiveLayout Layout;
};

Built Build(const std::vector<SampleArchiveFile>& files, const SampleArchiveOptions& options) {
    std::map<std::string, std::vector<Stored>> byFolder;
    for (const SampleArchiveFile& file : files) {
        const std::size_t slash = file.Path.rfind('\\');
        const std::string folder = slash == std::string::npos ? "" : file.Path.substr(0, slash);
        Stored stored;
        stored.File = &file;
        stored.Name = slash == std::string::npos ? file.Path : file.Path.substr(slash + 1);
        if (options.EmbeddedNames && options.Version != 103) {
            stored.Prefix.push_back(static_cast<std::uint8_t>(file.Path.size()));
            stored.Prefix.insert(stored.Prefix.end(), file.Path.begin(), file.Path.end());
        }
        if (file.HoleSize > 0) {
            stored.Size = stored.Prefix.size() + file.HoleSize;
        } else if (options.Compressed != file.Toggled) {
            Put(stored.Prefix, file.Data.size(), 4);
            const std::vector<std::uint8_t> packed = Compress(options.Version, file.Data);
            stored.Prefix.insert(stored.Prefix.end(), packed.begin(), packed.end());
            stored.Size = stored.Prefix.size();
        } else {
            stored.Prefix.insert(stored.Prefix.end(), file.Data.begin(), file.Data.end());
            stored.Size = stored.Prefix.size();
        }
        byFolder[folder].push_back(std::move(stored));
    }
    std::vector<std::pair<std::string, std::vector<Stored>>> folders(byFolder.begin(),
                                                                     byFolder.end());
    std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) {
        return bsa::FolderHash(a.first) < bsa::FolderHash(b.first);
    });
    std::uint64_t folderNamesLength = 0, fileNamesLength = 0, fileCount = 0;
    for (auto& [folder, stored] : folders) {
        std::sort(stored.begin(), stored.end(), [](const Stored& a, const Stored& b) {
            return bsa::FileHash(a.Name) < bsa::FileHash(b.Name);
        });
        folderNamesLength += folder.size() + 1;
        for (const Stored& file : stored) {
            fileNamesLength += file.Name.size() + 1;
        }
        fileCount += stored.size();
    }

    Built built;
    SampleArchiveLayout& layout = built.Layout;
    layout.FolderRecordSize = options.Version == 105 ? 24 : 16;
    layout.FileRecords = 36 + layout.FolderRecordSize * folders.size();
    std::uint64_t blocks = fileCount * 16;
    if (options.FolderNames) {
        blocks += folderNamesLength + folders.size();
    }
    layout.FileNames = layout.FileRecords + blocks;
    layout.Data = layout.FileNames + (options.FileNames ? fileNamesLength : 0);

    std::vector<std::uint8_t>& out = built.Index;
    const std::uint32_t flags = (options.FolderNames ? 0x1 : 0) | (options.FileNames ? 0x2 : 0) |
                                (options.Compressed ? 0x4 : 0) |
                                (options.EmbeddedNames ? 0x100 : 0);
    Put(out, 0x00415342, 4);
    Put(out, options.Version, 4);
    Put(out, 36, 4);
    Put(out, flags, 4);
    Put(out, folders.size(), 4);
    Put(out, fileCount, 4);
    Put(out, folderNamesLength, 4);
    Put(out, fileNamesLength, 4);
    Put(out, 2, 4); // content: textures
    std::uint64_t block = layout.FileRecords;
    for (const auto& [folder, stored] : folders) {
        Put(out, bsa::FolderHash(folder), 8);
        Put(out, stored.size(), 4);
        if (options.Version == 105) {
            Put(out, 0, 4);
            Put(out, block + fileNamesLength, 8);
        } else {
            Put(out, block + fileNamesLength, 4);
        }
        block += stored.size() * 16 + (options.FolderNames ? folder.size() + 2 : 0);
    }
    std::uint64_t data = layout.Data;
    for (auto& [folder, stored] : folders) {
        if (options.FolderNames) {
            out.push_back(static_cast<std::uint8_t>(folder.size() + 1));
            out.insert(out.end(), folder.begin(), folder.end());
            out.push_back(0);
        }
        for (const Stored& file : stored) {
            layout.RecordOf[file.File->Path] = out.size();
            layout.DataOf[file.File->Path] = data;
            Put(out, bsa::FileHash(file.Name), 8);
            Put(out, file.Size | (file.File->Toggled ? 0x40000000u : 0u), 4);
            Put(out, data, 4);
            data += file.Size;
        }
    }
    for (auto& [folder, stored] : folders) {
        for (Stored& file : stored) {
            if (options.FileNames) {
                out.insert(out.end(), file.Name.begin(), file.Name.end());
                out.push_back(0);
            }
            built.Files.push_back(std::move(file));
        }
    }
    return built;
}

} // namespace

std::vector<std::uint8_t> MakeSampleArchive(const std::vector<SampleArchiveFile>& files,
                                            const SampleArchiveOptions& options) {
    Built built = Build(files, options);
    std::vector<std::uint8_t> bytes = std::move(built.Index);
    for (const Stored& file : built.Files) {
        bytes.insert(bytes.end(), file.Prefix.begin(), file.Prefix.end());
        bytes.resize(bytes.size() + (file.Size - file.Prefix.size()));
    }
    return bytes;
}

bool WriteSampleArchive(const std::string& nativePath, const std::vector<SampleArchiveFile>& files,
                        const SampleArchiveOptions& options) {
    const Built built = Build(files, options);
    return WriteFileSafely(nativePath, [&built](const std::string& temp) {
        std::uint64_t length = built.Index.size();
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(built.Index.data()),
                      static_cast<std::streamsize>(built.Index.size()));
            for (const Stored& file : built.Files) {
                out.seekp(static_cast<std::streamoff>(length));
                out.write(reinterpret_cast<const char*>(file.Prefix.data()),
                          static_cast<std::streamsize>(file.Prefix.size()));
                length += file.Size; // a hole is skipped, not written
            }
            if (!out.flush()) {
                return false;
            }
        }
        std::error_code error;
        std::filesystem::resize_file(temp, length, error);
        return !error;
    });
}

SampleArchiveLayout SampleArchiveLayoutOf(const std::vector<SampleArchiveFile>& files,
                                          const SampleArchiveOptions& options) {
    return Build(files, options).Layout;
}

} // namespace quillon
