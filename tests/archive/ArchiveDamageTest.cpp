// Damaged archives, made in code from a sound one: each is refused at opening or at extraction
// with its reason, never a crash, a hang or an allocation beyond what the file holds.
#include "archive/BsaArchive.h"
#include "imaging/LargestAllocation.h"
#include "samples/SampleArchive.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace quillon;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Set32(Bytes& bytes, std::uint64_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t Get32(const Bytes& bytes, std::uint64_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | bytes.at(at + i);
    }
    return value;
}

// Header fields
constexpr std::uint64_t VersionField = 4, OffsetField = 8, FolderCountField = 16,
                        FileCountField = 20, FileNamesLengthField = 28;

Bytes Texture(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i % 7 * 30);
    }
    return bytes;
}

// Two files in one folder, the first 3000 bytes; a third in another folder.
const std::vector<SampleArchiveFile> Files = {
    {"textures\\a\\b.dds", Texture(3000)},
    {"textures\\a\\c.dds", Texture(100)},
    {"meshes\\d.nif", Texture(50)},
};

struct Opened {
    bool Open = false;
    std::string Problem;
    bool Extracted = false;
    std::string Reason;
};

// Opens the bytes as an archive and, when that works, extracts `path`.
Opened Try(const Bytes& bytes, const std::string& path = "textures\\a\\b.dds") {
    const TempFolder root;
    WriteTextFile(root / "damaged.bsa", std::string(bytes.begin(), bytes.end()));
    BsaArchive archive;
    Opened result;
    result.Open = archive.Open(root / "damaged.bsa");
    result.Problem = archive.Problem();
    Bytes out;
    result.Extracted = result.Open && archive.Extract(path, out, result.Reason);
    return result;
}

struct Case {
    const char* What;
    std::function<void(Bytes&, const SampleArchiveLayout&)> Damage;
    std::string Problem; // at opening; empty: opening succeeds and extraction fails with Reason
    std::string Reason = "";
};

} // namespace

TEST(ArchiveDamage, EachDamageIsRefusedWithItsReason) {
    // b.dds: its record, and its data, which starts with its original size.
    const auto firstRecord = [](Bytes&, const SampleArchiveLayout& layout) {
        return layout.RecordOf.at("textures\\a\\b.dds");
    };
    const auto originalSize = [](Bytes&, const SampleArchiveLayout& layout) {
        return layout.DataOf.at("textures\\a\\b.dds");
    };
    const std::vector<Case> cases = {
        {"cut in the header", [](Bytes& b, auto&) { b.resize(20); },
         "it is shorter than an archive's header"},
        {"cut in the records",
         [](Bytes& b, const SampleArchiveLayout& l) { b.resize(l.FileRecords + 8); },
         "it declares 2 folders and 3 files, more than its "},
        {"cut in the name table",
         [](Bytes& b, const SampleArchiveLayout& l) { b.resize(l.FileNames + 3); },
         "its file name table ends before its 3 names"},
        {"cut in the data", [](Bytes& b, const SampleArchiveLayout& l) { b.resize(l.Data + 10); },
         "", "its data lies past the end of the archive"},
        {"a data offset past the end",
         [&](Bytes& b, const SampleArchiveLayout& l) {
             Set32(b, firstRecord(b, l) + 12, 0xFFFFFF00);
         },
         "", "its data lies past the end of the archive"},
        {"a size field past the end",
         [&](Bytes& b, const SampleArchiveLayout& l) {
             Set32(b, firstRecord(b, l) + 8, 0x3FFFFFFF);
         },
         "", "its data lies past the end of the archive"},
        {"a file count that lies", [](Bytes& b, auto&) { Set32(b, FileCountField, 0xFFFFFFFF); },
         "it declares 2 folders and 4294967295 files, more than its "},
        {"a folder count that lies",
         [](Bytes& b, auto&) { Set32(b, FolderCountField, 0x10000000); },
         "it declares 268435456 folders and 3 files, more than its "},
        {"folder records that list fewer files than the header",
         [](Bytes& b, const SampleArchiveLayout& l) {
             Set32(b, l.FolderRecords + 8, Get32(b, l.FolderRecords + 8) - 1);
         },
         "its folder records list 2 files, its header 3"},
        {"a name table shorter than its names",
         [](Bytes& b, auto&) { Set32(b, FileNamesLengthField, 12); },
         "its file name table ends before its 3 names"},
        {"folder records out of hash order",
         [](Bytes& b, const SampleArchiveLayout& l) {
             std::swap_ranges(b.begin() + l.FolderRecords, b.begin() + l.FolderRecords + 8,
                              b.begin() + l.FolderRecords + l.FolderRecordSize);
         },
         "its folder records are out of hash order, so the game cannot find them"},
        {"file records out of hash order",
         [](Bytes& b, const SampleArchiveLayout& l) {
             // b.dds and c.dds are neighbours in their folder.
             std::swap_ranges(b.begin() + l.RecordOf.at("textures\\a\\b.dds"),
                              b.begin() + l.RecordOf.at("textures\\a\\b.dds") + 8,
                              b.begin() + l.RecordOf.at("textures\\a\\c.dds"));
         },
         "its file records are out of hash order, so the game cannot find them"},
        {"an unknown version", [](Bytes& b, auto&) { Set32(b, VersionField, 106); },
         "its version 106 is not 103, 104 or 105"},
        {"a version in the Xbox's byte order",
         [](Bytes& b, auto&) { Set32(b, VersionField, 0x69000000); },
         "it is an Xbox 360 archive (big-endian), which the PC game does not read"},
        {"another archive format", [](Bytes& b, auto&) { Set32(b, 0, 0x58445442); },
         "it is not a BSA archive"},
        {"folder records past the end", [](Bytes& b, auto&) { Set32(b, OffsetField, 1000000); },
         "its folder records start past the end of the file"},
        {"a decompressed size one byte larger",
         [&](Bytes& b, const SampleArchiveLayout& l) { Set32(b, originalSize(b, l), 3001); }, "",
         " makes fewer than the 3001 bytes it declares"},
        {"a stream that expands past its declared size",
         [&](Bytes& b, const SampleArchiveLayout& l) { Set32(b, originalSize(b, l), 2999); }, "",
         " makes more than the 2999 bytes it declares"},
        {"a 4 GiB size field",
         [&](Bytes& b, const SampleArchiveLayout& l) { Set32(b, originalSize(b, l), 0xFFFFFFFF); },
         "", "it declares 4294967295 bytes, more than a texture can take"},
        {"a size its stream cannot give",
         [&](Bytes& b, const SampleArchiveLayout& l) { Set32(b, originalSize(b, l), 100000000); },
         "", "it declares 100000000 bytes, more than its "},
    };
    for (const std::uint32_t version : {104u, 105u}) {
        const SampleArchiveOptions options{version};
        const SampleArchiveLayout layout = SampleArchiveLayoutOf(Files, options);
        const Bytes sound = MakeSampleArchive(Files, options);
        ASSERT_TRUE(Try(sound).Extracted) << Try(sound).Reason;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(version) + ": " + c.What);
            Bytes bytes = sound;
            c.Damage(bytes, layout);
            ResetLargestAllocation();
            const Opened result = Try(bytes);
            EXPECT_LT(LargestAllocation(), 64u << 10);
            if (!c.Problem.empty()) {
                EXPECT_FALSE(result.Open);
                EXPECT_EQ(result.Problem.substr(0, c.Problem.size()), c.Problem);
                continue;
            }
            ASSERT_TRUE(result.Open) << result.Problem;
            EXPECT_FALSE(result.Extracted);
            EXPECT_NE(result.Reason.find(c.Reason), std::string::npos) << result.Reason;
        }
    }
}

// A corrupt stream is found by its codec: zlib's check sum, LZ4's frame header.
TEST(ArchiveDamage, CorruptStreamsFail) {
    for (const std::uint32_t version : {104u, 105u}) {
        SCOPED_TRACE(version);
        const SampleArchiveLayout layout = SampleArchiveLayoutOf(Files, {version});
        Bytes bytes = MakeSampleArchive(Files, {version});
        const std::uint64_t stream = layout.DataOf.at("textures\\a\\b.dds") + 4;
        if (version == 104) {
            bytes.at(stream + 10) ^= 0x55; // inside the deflate data: the check sum differs
        } else {
            bytes.at(stream) ^= 0x55; // the LZ4 frame's magic number
        }
        const Opened result = Try(bytes);
        ASSERT_TRUE(result.Open);
        EXPECT_FALSE(result.Extracted);
        EXPECT_NE(result.Reason.find(version == 104 ? "zlib" : "LZ4 frame is corrupt"),
                  std::string::npos)
            << result.Reason;
    }
}

// Every byte of small archives of each version and flag, changed three ways: opening and
// extracting every file never asks for more memory than the file could expand to.
TEST(ArchiveDamage, NoChangedByteMakesTheReaderAskForMoreThanTheFileHolds) {
    const std::vector<SampleArchiveFile> files = {
        {"textures\\a\\b.dds", Texture(300)},
        {"textures\\a\\c.dds", Texture(40), true},
        {"d.nif", Texture(20)},
    };
    for (const SampleArchiveOptions& options :
         {SampleArchiveOptions{104}, SampleArchiveOptions{105},
          SampleArchiveOptions{105, false, true}, SampleArchiveOptions{103, true, false, false}}) {
        const Bytes sound = MakeSampleArchive(files, options);
        const TempFolder root;
        const std::string path = root / "damaged.bsa";
        for (std::size_t at = 0; at < sound.size(); ++at) {
            for (const int change : {0x00, 0xFF, -1}) {
                Bytes bytes = sound;
                bytes[at] = change < 0 ? static_cast<std::uint8_t>(bytes[at] + 1)
                                       : static_cast<std::uint8_t>(change);
                WriteTextFile(path, std::string(bytes.begin(), bytes.end()));
                ResetLargestAllocation();
                BsaArchive archive;
                if (archive.Open(path)) {
                    for (const SampleArchiveFile& file : files) {
                        Bytes out;
                        std::string reason;
                        if (archive.Extract(file.Path, out, reason)) {
                            EXPECT_LE(out.size(), sound.size() * 1100) << at;
                        }
                    }
                }
                ASSERT_LT(LargestAllocation(), sound.size() * 1100 + (64u << 10))
                    << "byte " << at << " changed to " << change;
            }
        }
    }
}
