// Archives of every version and flag, made by the independent Python writer: each file comes back
// byte for byte, found by its path in any letter case and with either separator.
#include "archive/BsaArchive.h"
#include "support/PythonArchive.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace quillon;

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t size, unsigned seed, int range = 256) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random() % static_cast<unsigned>(range));
    }
    return bytes;
}

struct Content {
    const char* Path;  // as stored
    const char* Query; // as a caller asks for it
    std::size_t Size;
    int Range; // a few values compress well, 256 hardly at all
};

// Several folders, a file in the data folder itself, an empty file, and one larger than an LZ4
// block of 64 KiB.
const Content Contents[] = {
    {"textures\\actors\\character\\female\\femalehead.dds",
     "Textures/Actors/Character/Female/FemaleHead.DDS", 3000, 4},
    {"textures\\actors\\character\\male\\malehead_msn.dds",
     "TEXTURES\\ACTORS\\CHARACTER\\MALE\\MALEHEAD_MSN.DDS", 200000, 16},
    {"textures\\actors\\character\\male\\malehead.dds",
     "textures/actors/character/male/malehead.dds", 777, 256},
    {"meshes\\empty.nif", "meshes\\empty.nif", 0, 256},
    {"readme.txt", "README.TXT", 20, 256},
};

struct Layout {
    const char* What;
    std::vector<std::string> Flags;
    bool Named = true;
};

} // namespace

TEST(ArchiveFormat, EveryVersionAndFlagGivesTheFilesBack) {
    const TempFolder root;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < std::size(Contents); ++i) {
        const std::string source = root / ("source" + std::to_string(i));
        const std::vector<std::uint8_t> bytes =
            RandomBytes(Contents[i].Size, 7 + i, Contents[i].Range);
        WriteTextFile(source, std::string(bytes.begin(), bytes.end()));
        files.push_back(std::string(Contents[i].Path) + "=" + source);
    }
    const Layout layouts[] = {
        {"compressed", {}},
        {"stored", {"--no-compress"}},
        {"compressed but two toggled",
         {"--toggle", Contents[0].Path, "--toggle", Contents[4].Path}},
        {"stored but two toggled",
         {"--no-compress", "--toggle", Contents[1].Path, "--toggle", Contents[3].Path}},
        {"embedded names", {"--embed-names"}},
        {"embedded names, stored", {"--embed-names", "--no-compress"}},
        {"no file names: found by hash", {"--no-file-names"}, false},
        {"no folder names: found by hash", {"--no-folder-names"}, false},
    };
    for (const char* version : {"103", "104", "105"}) {
        for (const Layout& layout : layouts) {
            SCOPED_TRACE(std::string(version) + ", " + layout.What);
            const std::string path = root / "test.bsa";
            std::vector<std::string> arguments{"--version", version};
            arguments.insert(arguments.end(), layout.Flags.begin(), layout.Flags.end());
            arguments.insert(arguments.end(), files.begin(), files.end());
            ASSERT_EQ(WritePythonArchive(path, arguments), "");
            BsaArchive archive;
            ASSERT_TRUE(archive.Open(path)) << archive.Problem();
            EXPECT_EQ(archive.Version(), static_cast<std::uint32_t>(std::stoi(version)));
            EXPECT_EQ(archive.FileCount(), std::size(Contents));
            EXPECT_EQ(archive.FilePaths().size(), layout.Named ? std::size(Contents) : 0u);
            for (std::size_t i = 0; i < std::size(Contents); ++i) {
                SCOPED_TRACE(Contents[i].Query);
                const std::vector<std::uint8_t> expected =
                    RandomBytes(Contents[i].Size, 7 + i, Contents[i].Range);
                std::vector<std::uint8_t> bytes;
                std::string reason;
                EXPECT_TRUE(archive.Contains(Contents[i].Query));
                ASSERT_TRUE(archive.Extract(Contents[i].Query, bytes, reason)) << reason;
                EXPECT_TRUE(bytes == expected);
                // The beginning alone, as a texture's header is read.
                ASSERT_TRUE(archive.Extract(Contents[i].Path, bytes, reason, 10)) << reason;
                EXPECT_TRUE(
                    std::equal(bytes.begin(), bytes.end(), expected.begin(),
                               expected.begin() + std::min<std::size_t>(10, expected.size())));
                EXPECT_EQ(bytes.size(), std::min<std::size_t>(10, expected.size()));
            }
            std::vector<std::uint8_t> bytes;
            std::string reason;
            for (const char* absent : {"textures\\actors\\character\\female\\femalehead_msn.dds",
                                       "textures\\actors\\character\\female", "femalehead.dds",
                                       "textures\\actors\\character\\femalehead.dds", ""}) {
                EXPECT_FALSE(archive.Contains(absent)) << absent;
                EXPECT_FALSE(archive.Extract(absent, bytes, reason)) << absent;
                EXPECT_EQ(reason, "the archive does not hold it");
            }
        }
    }
}

TEST(ArchiveFormat, XboxArchivesAreRefusedWithTheReason) {
    const TempFolder root;
    const std::string path = root / "xbox.bsa";
    ASSERT_EQ(WritePythonArchive(path, {"--xbox", "textures\\a.dds:x"}), "");
    BsaArchive archive;
    EXPECT_FALSE(archive.Open(path));
    EXPECT_EQ(archive.Problem(),
              "it is an Xbox 360 archive (big-endian), which the PC game does not read");
    EXPECT_FALSE(archive.Contains("textures\\a.dds"));
}
