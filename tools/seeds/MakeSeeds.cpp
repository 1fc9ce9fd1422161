// Writes the seed corpus of every fuzz target: small valid inputs of each kind the reader takes,
// made by the generators the tests use, so the fuzzers start from the formats' real structure.
//
//     quillon-seeds <folder>        (writes <folder>/<fuzz target>/<seed files>)
#include "backup/Journal.h"
#include "imaging/ImageFile.h"
#include "imaging/StbImage.h"
#include "platform/SafeWrite.h"
#include "samples/SampleArchive.h"
#include "samples/SampleDds.h"
#include "samples/SampleDocuments.h"
#include "samples/SampleImages.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace quillon {

// Writes one seed file; used by the corpus writers.
bool WriteSeed(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    return WriteFileSafely(path.string(), [&](const std::string& temp) {
        std::ofstream out(temp, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out.flush());
    });
}

namespace {

using SeedWriter = std::function<bool(const fs::path& folder)>;

// One small file per layout the DDS reader decodes; 6 x 5 so that blocks are cut at both edges.
bool WriteDdsSeeds(const fs::path& folder) {
    const RgbaImage image = MakeSeamedTexture(SampleKind::Normal, 6, 5, 3, 1);
    bool ok = true;
    for (const NamedSampleFormat& sample : SampleDdsFormats()) {
        ok = WriteSeed(folder / (std::string(sample.Name) + ".dds"),
                       MakeDds(image, sample.Format)) &&
             ok;
    }
    // Installed textures with their chains, as the writer keeps their levels.
    const RgbaImage larger = MakeSeamedTexture(SampleKind::Skin, 13, 9, 5, 2);
    for (const char* compression : {"DXT1", "DXT5"}) {
        ok = WriteDdsTexture((folder / (std::string(compression) + "-chain.dds")).string(), larger,
                             compression, true) &&
             ok;
    }
    return ok;
}

// Blocks of the kinds textures have (solid, two colours, a gradient, a seam, a soft mask's edge),
// some followed by the two bytes that make the fuzzer encode a small image too.
bool WriteBlockSeeds(const fs::path& folder) {
    const RgbaImage skin = MakeSeamedTexture(SampleKind::Skin, 64, 64, 30, 3);
    const RgbaImage mod = MakeSeamMod(SampleKind::Skin, 64, 64, 30, 8);
    auto blockAt = [](const RgbaImage& image, int x, int y) {
        std::vector<std::uint8_t> block;
        for (int row = 0; row < 4; ++row) {
            block.insert(block.end(), image.At(x, y + row), image.At(x, y + row) + 16);
        }
        return block;
    };
    std::vector<std::vector<std::uint8_t>> seeds = {
        std::vector<std::uint8_t>(64, 200), blockAt(skin, 8, 8),
        blockAt(skin, 20, 28), // across the seam
        blockAt(mod, 12, 20),  // the mask's soft edge
    };
    std::vector<std::uint8_t> two(64);
    for (std::size_t i = 0; i < 64; ++i) {
        two[i] = (i / 4) % 3 == 0 ? 255 : static_cast<std::uint8_t>(i % 4 * 60);
    }
    seeds.push_back(two);
    for (std::size_t n = 1; n < 4; ++n) {
        std::vector<std::uint8_t> withImage = seeds[n];
        withImage.push_back(static_cast<std::uint8_t>(4 * n + 1));
        withImage.push_back(static_cast<std::uint8_t>(7 * n));
        seeds.push_back(withImage);
    }
    for (std::size_t n = 0; n < seeds.size(); ++n) {
        if (!WriteSeed(folder / ("block" + std::to_string(n)), seeds[n])) {
            return false;
        }
    }
    return true;
}

struct Corpus {
    const char* Target; // the fuzz target's name; its seeds go into a folder of that name
    SeedWriter Write;
};

// Writes the named texts as seeds.
SeedWriter Texts(std::vector<std::pair<std::string, std::string>> files) {
    return [files = std::move(files)](const fs::path& folder) {
        bool ok = true;
        for (const auto& [name, text] : files) {
            ok =
                WriteSeed(folder / name, std::vector<std::uint8_t>(text.begin(), text.end())) && ok;
        }
        return ok;
    };
}

// The window tests' workspace: Head with three destinations, and Body.
std::string WorkspaceSets() {
    return SetXml("Head", "textures\\head",
                  {{"A", ChannelXml("Color", "head_d", 16)},
                   {"B", ChannelXml("Color", "head_d", 32, true, true)},
                   {"C", ChannelXml("Color", "head_d", 8, false)}}) +
           SetXml("Body", "b", {{"A", ChannelXml("Diffuse", "b")}});
}

std::vector<std::pair<std::string, std::string>> SetDefinitionSeeds() {
    return {{"workspace.xml", WorkspaceSets()},
            {"declared.xml",
             "<?xml version=\"1.0\" ?>\n<!-- head -->\n" +
                 SetXml("Head", "textures\\actors\\character\\female",
                        {{"Nord", ChannelXml("Normal", "femalehead_msn", 1024, true, true)}})}};
}

std::vector<std::pair<std::string, std::string>> ConfigurationSeeds() {
    return {
        {"full.xml", ConfigXml("<GameDataPath>Game\\Data\\</GameDataPath><TexOutputPath>Out\\"
                               "</TexOutputPath><DefUseInstalledSource>1</DefUseInstalledSource>"
                               "<AlphaMatteColor>black</AlphaMatteColor><NoStripPremultAlpha>1"
                               "</NoStripPremultAlpha><AutoHeadFix>true</AutoHeadFix>")},
        {"empty.xml", ConfigXml("")}};
}

// Markup of every kind the reader meets: declarations, document types, comments, CDATA,
// instructions, entities, byte-order marks and declared encodings.
std::vector<std::pair<std::string, std::string>> XmlSeeds() {
    std::vector<std::pair<std::string, std::string>> seeds = SetDefinitionSeeds();
    for (auto& seed : ConfigurationSeeds()) {
        seeds.emplace_back("config-" + seed.first, seed.second);
    }
    seeds.insert(seeds.end(),
                 {{"markup.xml", "<!DOCTYPE r [<!ELEMENT r ANY>]><r a='&lt;&#x41;' b=\"&#66;\">"
                                 "<!-- <x> --><![CDATA[<y>]]><?pi <z ?><s/>text</r>"},
                  {"utf8.xml", "\xEF\xBB\xBF<r>\xC3\xA9<b>\xC8</b></b></r>"},
                  {"latin1.xml", "<?xml version='1.0' encoding='ISO-8859-1'?>\r\n<r>\xE9</r>"}});
    return seeds;
}

bool PsdSeeds(const fs::path& folder) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 19, 5, 2, 2);
    const std::string files[] = {
        EncodePsd(picture, 8),
        EncodePsd(picture, 16),
        MakeGreyPsd(140, 3, 16),
        MakeRawPsd(2, 2, 2, 16, {0x1234, 0xFF00, 0x8001, 0x0102, 0, 1, 2, 3}),
        MakeRawPsd(2, 1, 4, 8, {1, 2, 3, 4, 5, 6, 7, 8}),
    };
    bool ok = true;
    for (std::size_t i = 0; i < std::size(files); ++i) {
        ok = WriteSeed(folder / ("seed" + std::to_string(i) + ".psd"),
                       std::vector<std::uint8_t>(files[i].begin(), files[i].end())) &&
             ok;
    }
    return ok;
}

// A 3 x 2 BMP of 8-bit run-length codes (a run, a move, indices as they are, the end) over a
// palette of two colours.
std::vector<std::uint8_t> RunLengthBmp() {
    const std::vector<std::uint8_t> codes = {2, 1, 0, 2, 1, 0, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1};
    std::vector<std::uint8_t> file;
    const auto put = [&file](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    const std::uint32_t offset = 14 + 40 + 2 * 4;
    file.push_back('B');
    file.push_back('M');
    for (const auto& [value, bytes] : std::vector<std::pair<std::uint32_t, int>>{{offset + 16, 4},
                                                                                 {0, 4},
                                                                                 {offset, 4},
                                                                                 {40, 4},
                                                                                 {3, 4},
                                                                                 {2, 4},
                                                                                 {1, 2},
                                                                                 {8, 2},
                                                                                 {1, 4},
                                                                                 {16, 4},
                                                                                 {0, 4},
                                                                                 {0, 4},
                                                                                 {2, 4},
                                                                                 {0, 4},
                                                                                 {0, 4},
                                                                                 {0x00FFFFFF, 4}}) {
        put(value, bytes);
    }
    file.insert(file.end(), codes.begin(), codes.end());
    return file;
}

// One small file of each kind the image reader meets, each behind the byte that picks its
// extension (ImageFileFuzz reads the first byte so), and the run-length BMP under no extension.
bool ImageFileSeeds(const fs::path& folder) {
    const RgbaImage picture = MakeSeamMod(SampleKind::Skin, 7, 5, 2, 2);
    const auto extensions = ReadableExtensions();
    const auto pick = [&extensions](const char* extension) {
        for (std::size_t i = 0; i < extensions.size(); ++i) {
            if (std::string(extensions[i]) == extension) {
                return static_cast<std::uint8_t>(i);
            }
        }
        return static_cast<std::uint8_t>(extensions.size()); // by content
    };
    const std::string psd = EncodePsd(picture, 16);
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
        {"PNG", StbEncode(picture, "png")},
        {"TGA", StbEncode(picture, "tga")},
        {"BMP", StbEncode(picture, "bmp")},
        {"JPG", StbEncode(picture, "jpg")},
        {"DDS", MakeDds(picture, FourCCFormat(FOURCC_DXT5))},
        {"PSD", {psd.begin(), psd.end()}},
        {"PGM", {'P', '5', '\n', '2', ' ', '1', '\n', '2', '5', '5', '\n', 7, 200}},
        {"", RunLengthBmp()},
    };
    bool ok = true;
    for (const auto& [extension, bytes] : files) {
        std::vector<std::uint8_t> seed(bytes.size() + 1, pick(extension));
        std::copy(bytes.begin(), bytes.end(), seed.begin() + 1);
        ok =
            WriteSeed(folder / (std::string(*extension ? extension : "content") + ".seed"), seed) &&
            ok;
    }
    return ok;
}

std::vector<std::pair<std::string, std::string>> WineRegistrySeeds() {
    const std::string wow = "Software\\\\Wow6432Node\\\\Bethesda Softworks\\\\Skyrim";
    return {{"system.reg",
             WineRegistryText(
                 WineRegistryKey(wow, R"("Installed Path"="C:\\Games\\Sk\x00ffrim\\\0junk")") +
                 WineRegistryKey("Software\\\\Bethesda Softworks\\\\Skyrim",
                                 R"("Installed Path"=str(2):"D:\\\"Games\"\\\101")"))},
            {"libraryfolders.vdf", SteamLibraryFoldersVdf("/games/Steam \\\"Library\\\"")}};
}

// Journals as runs write them: one that ran through, one killed mid-write, one undone.
std::vector<std::pair<std::string, std::string>> JournalSeeds() {
    Journal journal;
    journal.Started = "2026-12-07 14:03:22";
    journal.Program = "Quillon 0.2.0";
    journal.What = "head fix";
    journal.Process = 4711;
    journal.Folders = {"a", "a/new 100%"};
    const ContentHash first = HashBytes(std::vector<std::uint8_t>{'k', 'e', 'p', 't'});
    journal.Files = {
        {EntryState::Written, EntryKind::Replaced, {1, 2}, first, "a/b.dds", ""},
        {EntryState::Written, EntryKind::New, {5, 6}, {}, "a/new 100%/c.dds", ""},
        {EntryState::Written, EntryKind::Same, {7, 8}, {7, 8}, "d.dds", ""},
        {EntryState::Failed, EntryKind::Replaced, {9, 10}, {11, 12}, "e.dds", "disk\nfull"},
        {EntryState::Pending, EntryKind::Replaced, {13, 14}, first, "a/b.dds", ""},
    };
    const std::string killed = FormatJournal(journal);
    journal.Ended = "2026-12-07 14:03:25";
    journal.EndedOk = true;
    const std::string ended = FormatJournal(journal);
    journal.Undone = "2026-12-08 09:00:00";
    return {{"killed.txt", killed}, {"ended.txt", ended}, {"undone.txt", FormatJournal(journal)}};
}

// Small archives of each version and layout, with a compressed, a stored and an empty file.
bool ArchiveSeeds(const fs::path& folder) {
    const std::vector<SampleArchiveFile> files = {
        {"textures\\a\\b.dds", std::vector<std::uint8_t>(300, 7)},
        {"textures\\a\\c.dds", {1, 2, 3, 4, 5}, true},
        {"meshes\\d.nif", {}},
    };
    const std::pair<const char*, SampleArchiveOptions> layouts[] = {
        {"oblivion.bsa", {103}},
        {"skyrim.bsa", {104}},
        {"special.bsa", {105}},
        {"stored.bsa", {105, false}},
        {"embedded.bsa", {104, true, true}},
        {"nameless.bsa", {105, true, false, false, false}},
    };
    bool ok = true;
    for (const auto& [name, options] : layouts) {
        ok = WriteSeed(folder / name, MakeSampleArchive(files, options)) && ok;
    }
    return ok;
}

// The setup files GameFilesFuzz cuts its input into, separated by 0x1E.
std::vector<std::pair<std::string, std::string>> GameFilesSeeds() {
    const auto joined = [](std::vector<std::string> parts) {
        std::string text;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            text += (i > 0 ? "\x1E" : "") + parts[i];
        }
        return text;
    };
    return {{"special", joined({"[General]\ngameName=Skyrim Special Edition\nselected_profile="
                                "@ByteArray(Default)\n[Settings]\nmod_directory=%BASE_DIR%/mods\n",
                                "[General]\nLocalSettings=true\n", "+Mod\n-Other\n*DLC\n",
                                "*Skyrim.esm\n*Mod.esp\nInactive.esp\n", "Skyrim.esm\nMod.esp\n",
                                "[Archive]\nsResourceArchiveList2=Skyrim - Textures0.bsa, "
                                "Mod.bsa\n"})},
            {"utf16", joined({std::string("\xFF\xFE[\0G\0]\0", 8), "",
                              std::string("\xFF\xFE+\0M\0o\0d\0", 10), "", "", ""})}};
}

// One row per fuzz target.
const std::vector<Corpus>& Corpora() {
    static const std::vector<Corpus> corpora = {
        {"DdsReaderFuzz", WriteDdsSeeds},
        {"BlockEncoderFuzz", WriteBlockSeeds},
        {"PsdReaderFuzz", PsdSeeds},
        {"ImageFileFuzz", ImageFileSeeds},
        {"SetDefinitionsFuzz", Texts(SetDefinitionSeeds())},
        {"ConfigurationFuzz", Texts(ConfigurationSeeds())},
        {"XmlFileFuzz", Texts(XmlSeeds())},
        {"WineRegistryFuzz", Texts(WineRegistrySeeds())},
        {"JournalFuzz", Texts(JournalSeeds())},
        {"ArchiveFuzz", ArchiveSeeds},
        {"GameFilesFuzz", Texts(GameFilesSeeds())},
    };
    return corpora;
}

} // namespace

} // namespace quillon

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: quillon-seeds <folder>" << std::endl;
        return 2;
    }
    bool ok = true;
    for (const quillon::Corpus& corpus : quillon::Corpora()) {
        const fs::path folder = fs::path(argv[1]) / corpus.Target;
        std::error_code error;
        fs::create_directories(folder, error);
        if (error || !corpus.Write(folder)) {
            std::cerr << "quillon-seeds: could not write the seeds of " << corpus.Target
                      << std::endl;
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
