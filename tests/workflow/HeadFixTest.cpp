// The headless head fix, run as the real program in workspaces made here, with no display.
#include "samples/SampleImages.h"
#include "support/ProcessRunner.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace fs = std::filesystem;

namespace {

using Lines = std::vector<std::string>;

const char* const Channels[] = {"Color", "Normal", "Specular"};
const char* const ModFiles[] = {"Library/Head/Color/KORAv3_HeadNeckBlendColor.psd",
                                "Library/Head/Normal/KORAv3_HeadNeckBlend.psd",
                                "Library/Head/Specular/VelloranHeadSpecBlend.psd"};

struct Declared {
    const char* Suffix;
    const char* Compression;
    int Size;
};
// Color DXT1, Normal DXT5, Specular uncompressed RGB, as the game's head textures are.
const Declared Textures[] = {{"", "DXT1", 64}, {"_msn", "DXT5", 64}, {"_s", "RGB", 32}};

std::string ChannelXml(int channel, const std::string& subSet) {
    const Declared& d = Textures[channel];
    const bool compressed = std::strcmp(d.Compression, "RGB") != 0;
    return std::string("<Channel Name=\"") + Channels[channel] + "\"><FileName>" + subSet + "head" +
           d.Suffix + "</FileName><FileFormat>dds</FileFormat><Size>" + std::to_string(d.Size) +
           "</Size>" + (compressed ? "<CompressTex>1</CompressTex>" : "") + "<HasAlpha>" +
           (std::strcmp(d.Compression, "DXT5") == 0 ? "1" : "0") + "</HasAlpha></Channel>";
}

SampleKind KindOf(int channel) {
    return channel == 0   ? SampleKind::Skin
           : channel == 1 ? SampleKind::Normal
                          : SampleKind::Specular;
}

Lines SplitLines(const std::string& text) {
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The classic DDS header fields a reader decides by.
struct DdsInfo {
    int Width = 0, Height = 0;
    std::string FourCC;
    int BitCount = 0;
};

DdsInfo ReadDdsInfo(const std::string& path) {
    const std::string bytes = ReadTextFile(path);
    DdsInfo info;
    if (bytes.size() < 128 || bytes.compare(0, 4, "DDS ") != 0) {
        return info;
    }
    auto word = [&](size_t offset) {
        std::uint32_t value;
        std::memcpy(&value, bytes.data() + offset, 4);
        return static_cast<int>(value);
    };
    info.Height = word(12);
    info.Width = word(16);
    if (word(80) & 0x4) { // DDPF_FOURCC
        info.FourCC = bytes.substr(84, 4);
    } else {
        info.BitCount = word(88);
    }
    return info;
}

class HeadFixTest : public ::testing::Test {
protected:
    TempFolder Root;
    const std::string Data = Root / "Data";
    const std::string Out = Root / "Out";
    const std::string Character = "textures/actors/character/";

    void WriteConfig(const std::string& children) {
        WriteTextFile(Root / "Config.xml", "<QuillonConfig>" + children + "</QuillonConfig>");
    }
    void WriteHeadSet(const std::string& setName = "Head") {
        std::string xml =
            "<TextureSet Name=\"" + setName + "\"><Path>textures\\actors\\character</Path>";
        for (const char* subSet : {"female", "male"}) {
            xml += std::string("<SubSet Name=\"") + subSet + "\">";
            for (int channel = 0; channel < 3; ++channel) {
                xml += ChannelXml(channel, subSet);
            }
            xml += "</SubSet>";
        }
        WriteTextFile(Root / "SetDefs/Head.xml", xml + "</TextureSet>");
    }
    // Installed textures twice the declared size, so the blend also scales them.
    void WriteSources(const std::string& folder) {
        for (const char* subSet : {"female", "male"}) {
            for (int channel = 0; channel < 3; ++channel) {
                const int edge = Textures[channel].Size * 2;
                const std::string path = folder + "/" + Character + subSet + "/" + subSet + "head" +
                                         Textures[channel].Suffix + ".dds";
                fs::create_directories(fs::path(path).parent_path());
                ASSERT_TRUE(WriteDdsTexture(
                    path, MakeSeamedTexture(KindOf(channel), edge, edge, edge * 3 / 4, 7),
                    Textures[channel].Compression));
            }
        }
    }
    void WriteMods() {
        for (int channel = 0; channel < 3; ++channel) {
            const int edge = Textures[channel].Size;
            const std::string path = Root / ModFiles[channel];
            fs::create_directories(fs::path(path).parent_path());
            ASSERT_TRUE(
                WritePsd(path, MakeSeamMod(KindOf(channel), edge, edge, edge * 3 / 4, edge / 8)));
        }
    }
    void MakeComplete() {
        WriteConfig("<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>"
                    "<AutoHeadFix>true</AutoHeadFix>");
        WriteHeadSet();
        WriteSources(Data);
        WriteMods();
    }
    // The output as the progress line names it (the folder as configured) ...
    std::string OutputLine(const char* subSet, int channel) const {
        return "Out/" + Character + subSet + "/" + subSet + "head" + Textures[channel].Suffix +
               ".dds";
    }
    // ... and the file.
    std::string Output(const char* subSet, int channel) const {
        return Root / OutputLine(subSet, channel);
    }
    // The program without a display and without a game registry, in the workspace.
    ProcessResult Run() {
        return RunProcess(QUILLON_PROGRAM, {}, Root.Path().string(), {{"HOME", Root / "home"}},
                          {"DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX"});
    }
    size_t FilesBelow(const std::string& folder) const {
        size_t count = 0;
        if (fs::exists(folder)) {
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                count += entry.is_regular_file() ? 1 : 0;
            }
        }
        return count;
    }
};

} // namespace

TEST_F(HeadFixTest, WritesEveryHeadTextureInOrderInItsDeclaredFormat) {
    MakeComplete();
    const ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 0) << result.StandardError;
    EXPECT_EQ(result.StandardError, "Velloran's Quillon: Automatic Neck Seam fix Successful!\n");
    Lines expected;
    for (int channel = 0; channel < 3; ++channel) {
        for (const char* subSet : {"female", "male"}) {
            expected.push_back(OutputLine(subSet, channel));
        }
    }
    EXPECT_EQ(SplitLines(result.StandardOutput), expected);
    for (int channel = 0; channel < 3; ++channel) {
        for (const char* subSet : {"female", "male"}) {
            const DdsInfo info = ReadDdsInfo(Output(subSet, channel));
            const Declared& d = Textures[channel];
            EXPECT_EQ(info.Width, d.Size) << Output(subSet, channel);
            EXPECT_EQ(info.Height, d.Size);
            EXPECT_EQ(info.FourCC, std::strcmp(d.Compression, "RGB") == 0 ? "" : d.Compression);
            EXPECT_EQ(info.BitCount, std::strcmp(d.Compression, "RGB") == 0 ? 24 : 0);
        }
    }
    // The seam is gone: the step in brightness across the seam line that the installed texture
    // shows is (nearly) flat in the output.
    RgbaImage written, installed;
    ASSERT_TRUE(ReadTexture(Output("female", 0), written));
    ASSERT_TRUE(ReadTexture(Data + "/" + Character + "female/femalehead.dds", installed));
    auto step = [](const RgbaImage& image, int seam) {
        double above = 0, below = 0;
        for (int x = 0; x < image.Width; ++x) {
            for (int c = 0; c < 3; ++c) {
                above += image.At(x, seam - 2)[c] + image.At(x, seam - 1)[c];
                below += image.At(x, seam)[c] + image.At(x, seam + 1)[c];
            }
        }
        return (below - above) / (6.0 * image.Width);
    };
    EXPECT_LT(step(installed, 96), -20) << "the installed texture shows the seam";
    EXPECT_GT(step(written, 48), -4) << "the blend removed it";
    EXPECT_EQ(FilesBelow(Data), 6u) << "the installed textures are only read";
}

TEST_F(HeadFixTest, AMissingNormalModificationStopsAfterTheColourOutputs) {
    MakeComplete();
    fs::remove(Root / ModFiles[1]);
    const ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 5);
    EXPECT_EQ(result.StandardError, "Error: Failed to open Normal Mod Image\n");
    EXPECT_EQ(SplitLines(result.StandardOutput),
              (Lines{OutputLine("female", 0), OutputLine("male", 0)}));
    EXPECT_EQ(FilesBelow(Out), 2u);
}

TEST_F(HeadFixTest, AMissingSourceNamesThePathThatWasTried) {
    MakeComplete();
    const std::string missing = Data + "/" + Character + "male/malehead.dds";
    fs::remove(missing);
    const ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 2);
    EXPECT_EQ(result.StandardError,
              "Failed to open Color Source: Data/" + Character + "male/malehead.dds\n");
    EXPECT_EQ(SplitLines(result.StandardOutput), Lines{OutputLine("female", 0)});
}

TEST_F(HeadFixTest, AnOutputThatCannotBeWrittenEndsTheJob) {
    MakeComplete();
    WriteTextFile(Out + "/textures", "a file where the output folder should be");
    const ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 4);
    EXPECT_EQ(result.StandardError, "Error: Failed to save Color output file\n");
    EXPECT_EQ(result.StandardOutput, "");
}

TEST_F(HeadFixTest, WithoutAHeadSetOnlyTheModificationsAreNeeded) {
    MakeComplete();
    fs::remove(Root / "SetDefs/Head.xml");
    WriteHeadSet("head"); // another letter case is another set
    ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.StandardError, "Velloran's Quillon: Automatic Neck Seam fix Successful!\n");
    EXPECT_EQ(FilesBelow(Out), 0u);

    const std::pair<int, const char*> missing[] = {{1, "Color"}, {5, "Normal"}, {9, "Specular"}};
    for (int channel = 0; channel < 3; ++channel) {
        WriteMods();
        fs::remove(Root / ModFiles[channel]);
        result = Run();
        EXPECT_EQ(result.ExitCode, missing[channel].first);
        EXPECT_EQ(result.StandardError,
                  std::string("Error: Failed to open ") + missing[channel].second + " Mod Image\n");
    }
}

TEST_F(HeadFixTest, WithoutAGameFolderSourcesAreFoundFromTheCurrentDirectory) {
    WriteConfig("<TexOutputPath>Out\\</TexOutputPath><AutoHeadFix>true</AutoHeadFix>");
    WriteHeadSet();
    WriteSources(Root.Path().string());
    WriteMods();
    const ProcessResult result = Run();
    EXPECT_EQ(result.ExitCode, 0) << result.StandardError;
    EXPECT_EQ(FilesBelow(Out), 6u);
}

TEST_F(HeadFixTest, OnlyTheExactWordStartsTheHeadlessJob) {
    MakeComplete();
    WriteConfig("<GameDataPath>Data\\</GameDataPath><TexOutputPath>Out\\</TexOutputPath>"
                "<AutoHeadFix>True</AutoHeadFix>");
    const ProcessResult result = Run();
    // The window was asked for, and there is no display: a clear line and a failure code.
    EXPECT_NE(result.ExitCode, 0);
    EXPECT_NE(result.StandardError.find("no display"), std::string::npos) << result.StandardError;
    EXPECT_FALSE(fs::exists(Out));
}
