// The headless head fix, run as the real program with no display, each case in a workspace of its
// own: a complete one, changed so that one thing is missing or different.
#include "imaging/DdsFormat.h"
#include "imaging/DdsWriter.h"
#include "platform/MessageBox.h"
#include "samples/SampleDds.h"
#include "workflow/AutoHeadFix.h"
#include "workflow/HeadWorkspace.h"
#include "workflow/TestWorkspace.h"

#include <gtest/gtest.h>

#include <array>
#include <iomanip>
#include <numeric>
#include <sstream>

using namespace quillon;

namespace {

namespace fs = std::filesystem;

const std::string Success = "Velloran's Quillon: Automatic Neck Seam fix Successful!\n";

struct Case {
    const char* What;
    int Exit;
    std::string Error;
    std::size_t Written; // how many outputs, in the job's order, are written
    std::string Remove;  // files, separated by spaces
    std::string Config = "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>"
                         "<AutoHeadFix>true</AutoHeadFix>";
    std::string Size = "";    // "<channel> <text>": the male sub set declares that Size instead
    std::string Folders = ""; // made where files would be written, separated by spaces
    const char* Program = QUILLON_PROGRAM;
};

// The head workspace at twice the default edge, the installed textures in "Data" (or in the
// workspace itself when there is no GameDataPath), then the case's change.
void MakeWorkspace(const TempFolder& root, const Case& c, HeadWorkspace how = {}) {
    how.Edge = 64;
    how.Installed = c.Config.find("GameDataPath") != std::string::npos ? "Data/" : "";
    ASSERT_TRUE(MakeHeadWorkspace(root.Path(), how));
    WriteTextFile(root / "Config.xml", "<QuillonConfig>" + c.Config + "</QuillonConfig>");
    if (!c.Size.empty()) {
        std::string xml = ReadTextFile(root / "SetDefs/Head.xml");
        const std::string channel = "\"" + c.Size.substr(0, c.Size.find(' ')) + "\"><FileName>m";
        const std::size_t from = xml.find("<Size>", xml.find(channel)) + 6;
        xml.replace(from, xml.find('<', from) - from, c.Size.substr(c.Size.find(' ') + 1));
        WriteTextFile(root / "SetDefs/Head.xml", xml);
    }
    std::istringstream removed(c.Remove), folders(c.Folders);
    for (std::string file; removed >> file;) {
        fs::remove(root / file);
    }
    for (std::string folder; folders >> folder;) {
        fs::create_directories(root / folder);
    }
}

// The brightness step from the two rows above `seam` to the two below it (opaque images).
double SeamStep(const RgbaImage& image, int seam) {
    auto row = [&](int y) { return std::accumulate(image.At(0, y), image.At(0, y + 1), 0.0); };
    return (row(seam) + row(seam + 1) - row(seam - 2) - row(seam - 1)) / (6.0 * image.Width);
}

} // namespace

TEST(HeadFixTest, FilesMessagesAndExitCodes) {
    ASSERT_LT(SeamStep(MakeSeamedTexture(SampleKind::Skin, 64, 64, 48, 7), 48), -20);
    const std::string noHead = "SetDefs/Head.xml ";
    const std::string noFile = "there is no such file\n"; // each message's reason, on its own line
    const std::string notWritten =
        "writing the file failed (the disk may be full, or the folder read-only)\n";
    const auto badSize = [](const char* message, const char* channel, const char* size) {
        return std::string("Error: ") + message + " Set \"Head\", sub set \"male\", channel \"" +
               channel + "\": Size " + size + " is outside 0 to 16384.\n";
    };
    const auto missing = [](std::size_t i) { return "Data/" + HeadPath(i); };
    // The path tried, then why nothing was found there.
    const auto notFound = [&](const std::string& caption, std::size_t i) {
        return caption + ": " + NativePath(missing(i)) +
               " Neither the data folder nor a loaded archive holds it.\n";
    };
    const Case cases[] = {
        {"complete", 0, Success, 6, ""},
        {"no Normal modification", 5, "Error: Failed to open Normal Mod Image " + noFile, 2,
         HeadTextures[1].ModFile},
        {"second Color source missing", 2, notFound("Failed to open Color Source", 1), 1,
         missing(1)},
        {"output folder below a file", 4,
         "Error: Failed to save Color output file Quillon's folder for backups cannot be made in " +
             NativePath("<root>/Config.xml") + "\n",
         0, "",
         "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Config.xml\\</TexOutputPath>"
         "<AutoHeadFix>true</AutoHeadFix>"},
        {"no GameDataPath: sources below the current directory", 0, Success, 6, "",
         "<TexOutputPath>Out\\</TexOutputPath><AutoHeadFix>true</AutoHeadFix>"},
#ifdef QUILLON_PROGRAM_IS_WINDOW
        {"AutoHeadFix True: the window is asked for, and there is no display", 2,
         "quillon: no display is available for the window (set DISPLAY or WAYLAND_DISPLAY, or "
         "enable AutoHeadFix in Config.xml).\n",
         0, "", "<GameDataPath>Data\\</GameDataPath><AutoHeadFix>True</AutoHeadFix>"},
#endif
        {"no Head set", 0, Success, 0, noHead},
        {"no Head set nor Color modification", 1, "Error: Failed to open Color Mod Image " + noFile,
         0, noHead + HeadTextures[0].ModFile},
        {"no Head set nor Specular modification", 9,
         "Error: Failed to open Specular Mod Image " + noFile, 0, noHead + HeadTextures[2].ModFile},
        {"second Normal source missing", 6, notFound("Failed to open Normal map Source", 3), 3,
         missing(3)},
        {"second Specular source missing", 10, notFound("Failed to open Specular Source", 5), 5,
         missing(5)},
        {"a negative Color size, written over the installed textures", 3,
         badSize("Failed to generate color composite", "Color", "-64"), 1, "",
         "<GameDataPath>Data\\</GameDataPath><AutoHeadFix>true</AutoHeadFix>", "Color -64"},
        {"a Normal size beyond the largest edge", 7,
         badSize("Failed to generate Normal map composite", "Normal", "100000"), 3, "",
         Case{}.Config, "Normal 100000"},
        {"a Specular size beyond 32 bits", 11,
         badSize("Failed to generate specular map composite", "Specular", "2147483647"), 5, "",
         Case{}.Config, "Specular 99999999999"},
        {"a folder where the second Normal output goes", 8,
         "Error: Failed to save Normal map output file " + notWritten, 3, "", Case{}.Config, "",
         "Out/" + HeadPath(3)},
        {"a folder where the second Specular output goes", 12,
         "Error: Failed to save specular map output file " + notWritten, 5, "", Case{}.Config, "",
         "Out/" + HeadPath(5)},
        {"the console program runs the job unasked", 0, Success, 6, "",
         "<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>", "", "",
         QUILLON_CLI},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const TempFolder root;
        MakeWorkspace(root, c);
        const ProcessResult result = RunIn(root.Path(), c.Program);
        EXPECT_EQ(result.ExitCode, c.Exit);
        std::string error = result.StandardError;
        const std::string folder = root.Path().string();
        for (std::size_t at = error.find(folder); at != std::string::npos;
             at = error.find(folder)) {
            error.replace(at, folder.size(), "<root>");
        }
        EXPECT_EQ(error, c.Error);
        // Each output written has its progress line, and its declared size and format. Without
        // an output folder the installed textures are the outputs: those not written stay.
        const bool ownFolder = c.Config.find("TexOutputPath") != std::string::npos;
        std::string progress;
        for (std::size_t i = 0; i < 6; ++i) {
            const HeadTexture& t = HeadTextures[i / 2];
            const std::string output = (ownFolder ? "Out/" : "Data/") + HeadPath(i);
            const std::string size = std::to_string(i < c.Written ? t.Size * 2 : t.Size * 4);
            progress += i < c.Written ? NativePath(output) + "\n" : "";
            EXPECT_EQ(DescribeDds(root / output),
                      i < c.Written || !ownFolder ? size + "x" + size + " " + t.Format : "");
        }
        EXPECT_EQ(result.StandardOutput, progress);
        RgbaImage written; // the seam that the installed texture shows is gone
        if (ownFolder && ReadTexture(root / ("Out/" + HeadPath(0)), written)) {
            EXPECT_GT(SeamStep(written, 48), -4);
        }
    }
}

// A box keeps the system's caption and first line, and gives the reason on the line after (the
// console's line above shows them joined): a source cut short.
TEST(HeadFixTest, ABoxGivesTheReasonAfterTheMessage) {
    const TempFolder root;
    MakeWorkspace(root, {"", 0, "", 0, ""});
    fs::resize_file(root / ("Data/" + HeadPath(1)), 1000);
    const CurrentDirectoryGuard cwd(root.Path());
    std::vector<MessageBoxRequest> boxes;
    SetMessageBoxHandler([&boxes](const MessageBoxRequest& box) {
        boxes.push_back(box);
        return msgbox::IDOK;
    });
    BlendSession session;
    session.LoadConfiguration({});
    session.StartEngine();
    EXPECT_EQ(RunAutoHeadFix(session), 2);
    SetMessageBoxHandler({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "Failed to open Color Source");
    EXPECT_EQ(boxes[0].Text,
              NativePath("Data/" + HeadPath(1)) + "\r\nthe file ends at byte 1,000 of 8,320");
}

namespace {

// A written texture as pinned: the hash of its bytes (FNV-1a, 64 bits), and for the diagnosis
// when they change, their count and the mean of each channel of the top level it decodes to.
struct Pinned {
    const char* File;
    std::uint64_t Hash;
    std::size_t Bytes;
    std::array<double, 4> Mean;
};

// Empty when the file is the pinned one; else which file changed, and by how much.
std::string ChangeFrom(const Pinned& pin, const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    std::uint64_t hash = 0xcbf29ce484222325u;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3u;
    }
    if (hash == pin.Hash) {
        return "";
    }
    std::ostringstream change;
    change << pin.File << " is not the pinned file: " << bytes.size() << " bytes (pinned "
           << pin.Bytes << ")";
    RgbaImage image;
    if (!ReadTexture(path, image)) {
        return change.str() + ", and it does not read";
    }
    change << std::fixed << std::setprecision(3) << "; the channel means moved by";
    for (std::size_t c = 0; c < 4; ++c) {
        double sum = 0;
        for (std::size_t i = c; i < image.Pixels.size(); i += 4) {
            sum += image.Pixels[i];
        }
        change << " " << sum / static_cast<double>(image.Pixels.size() / 4) - pin.Mean[c];
    }
    return change.str() + " (R G B A, of 255)";
}

} // namespace

// The demo workspace's outputs without mip chains, pinned: a change of the pipeline that changes
// a written byte shows here, with the file and how far it moved. The DXT outputs are our
// encoders' bytes, the RGB ones as the tool always wrote them.
TEST(HeadFixTest, DemoOutputsAreTheKnownBytes) {
    const TempFolder root;
    const ProcessResult made =
        RunProcess(QUILLON_DEMO, {root / "demo", "--head-fix"}, root.Path().string());
    ASSERT_EQ(made.ExitCode, 0) << made.StandardError;
    std::string config = ReadTextFile(root / "demo/Config.xml");
    config.insert(config.find("</QuillonConfig>"), "<MipMaps>none</MipMaps>");
    WriteTextFile(root / "demo/Config.xml", config);
    const ProcessResult run = RunIn(root.Path() / "demo", QUILLON_PROGRAM);
    ASSERT_EQ(run.ExitCode, 0) << run.StandardError;
    const Pinned outputs[] = {
        {"female/femalehead.dds", 0x4e3cc3c28efc0e9du, 524416, {212.953, 154.867, 125.262, 255}},
        {"female/femalehead_msn.dds",
         0xab6064778ce4dadcu,
         1048704,
         {132.471, 123.881, 252.086, 208.5}},
        {"female/femalehead_s.dds", 0xb3df9c29909a4f08u, 786560, {74.913, 74.913, 74.913, 255}},
        {"male/malehead.dds", 0xdb4898a08255a77eu, 524416, {212.958, 154.871, 125.271, 255}},
        {"male/malehead_msn.dds", 0x0150daafdec5f16du, 1048704, {132.471, 123.877, 252.086, 208.5}},
        {"male/malehead_s.dds", 0x6855e0d45df9f9d8u, 786560, {74.914, 74.914, 74.914, 255}},
    };
    for (const Pinned& pin : outputs) {
        EXPECT_EQ(ChangeFrom(pin, root / ("demo/Output/textures/actors/character/" +
                                          std::string(pin.File))),
                  "");
    }
}

// Installed DXT textures at the declared size with their chains, in blocks no encoder writes: in
// every output, with its full chain, each block whose footprint the modification leaves at zero
// alpha is the installed bytes, on every level, and every other block is encoded anew.
TEST(HeadFixTest, BlocksTheModificationLeavesAloneKeepTheInstalledBytes) {
    const TempFolder root;
    Case c{"installed at the declared size", 0, "", 6, ""};
    c.Config += "<MipMaps>full</MipMaps>";
    HeadWorkspace how;
    how.Scale = 1;
    unsigned seed = 1;
    how.Encode = [&seed](const HeadTexture& t, const RgbaImage& pixels) {
        TaskPool one(1);
        const std::string format = t.Format;
        return format == "RGB" ? EncodeDds(pixels, TextureFormat::RGB, one)
                               : ArbitraryBlocksDds(format == "DXT1" ? TextureFormat::DXT1
                                                                     : TextureFormat::DXT5,
                                                    pixels.Width, seed++);
    };
    MakeWorkspace(root, c, how);
    const ProcessResult result = RunIn(root.Path(), QUILLON_PROGRAM);
    ASSERT_EQ(result.ExitCode, 0) << result.StandardError;
    for (std::size_t i = 0; i < 4; ++i) {
        const HeadTexture& t = HeadTextures[i / 2];
        SCOPED_TRACE(HeadPath(i));
        const std::string output = root / ("Out/" + HeadPath(i));
        EXPECT_EQ(DescribeDds(output), std::string("64x64 ") + t.Format + " 7 levels");
        ExpectBlocksCopied(CompareBlocks(ReadTextFile(root / ("Data/" + HeadPath(i))),
                                         ReadTextFile(output), MakeSeamMod(t.Kind, 64, 64, 48, 8)),
                           true);
    }
}

// Installed textures as current packs ship them: BC7 colour, BC5 normal map and DX10 RGBA8
// specular. The outputs must be exactly those of a workspace whose installed textures hold the
// same pixels uncompressed, each still in its channel's declared format.
TEST(HeadFixTest, Bc7Bc5AndDx10SourcesGiveTheOutputsOfTheirPixelsUncompressed) {
    const auto modern = [](const HeadTexture& t, const RgbaImage& pixels) {
        const std::uint32_t formats[] = {DXGI_FORMAT_BC7_UNORM, DXGI_FORMAT_BC5_UNORM,
                                         DXGI_FORMAT_R8G8B8A8_UNORM};
        return MakeDds(pixels, Dx10Format(formats[&t - HeadTextures]));
    };
    const auto uncompressed = [&](const HeadTexture& t, const RgbaImage& pixels) {
        const std::vector<std::uint8_t> file = modern(t, pixels);
        RgbaImage decoded;
        EXPECT_TRUE(DecodeDds(file.data(), file.size(), true, decoded));
        // BC5 has no alpha: RGB, which loads as the BC5 file does.
        return MakeDds(decoded, decoded.HasAlpha
                                    ? MaskedFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 32,
                                                   {0xFF0000, 0xFF00, 0xFF, 0xFF000000})
                                    : MaskedFormat(DDPF_RGB, 24, {0xFF0000, 0xFF00, 0xFF, 0}));
    };
    std::map<std::string, std::string> outputs[2];
    for (int run = 0; run < 2; ++run) {
        const TempFolder root;
        HeadWorkspace how;
        how.Encode = run == 0 ? decltype(how.Encode)(modern) : uncompressed;
        MakeWorkspace(root, {"installed textures", 0, "", 6, ""}, how);
        EXPECT_EQ(DescribeDds(root / ("Data/" + HeadPath(1))),
                  run == 0 ? "128x128 DXGI 98" : "128x128 RGBA");
        const ProcessResult result = RunIn(root.Path(), QUILLON_PROGRAM);
        EXPECT_EQ(result.ExitCode, 0);
        EXPECT_EQ(result.StandardError, Success);
        for (std::size_t i = 0; i < 6; ++i) {
            const HeadTexture& t = HeadTextures[i / 2];
            const std::string size = std::to_string(t.Size * 2);
            EXPECT_EQ(DescribeDds(root / ("Out/" + HeadPath(i))),
                      size + "x" + size + " " + t.Format);
        }
        outputs[run] = FilesBelow(root.Path() / "Out");
        RgbaImage written; // the seam is gone here too
        ASSERT_TRUE(ReadTexture(root / ("Out/" + HeadPath(0)), written));
        EXPECT_GT(SeamStep(written, 48), -4);
    }
    EXPECT_EQ(outputs[0].size(), 6u);
    for (const auto& [path, bytes] : outputs[0]) {
        EXPECT_TRUE(bytes == outputs[1][path]) << path << " differs";
    }
}
