#include "catalogue/SetDefinitions.h"
#include "catalogue/BlendEngine.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

using Names = std::vector<std::string>;

std::string ChannelXml(const std::string& name, const std::string& file, const std::string& size,
                       const std::string& extra = "") {
    return "<Channel Name=\"" + name + "\"><FileName>" + file +
           "</FileName><FileFormat>dds</FileFormat><Size>" + size + "</Size>" + extra +
           "</Channel>";
}

// The head set as modders write it: three channels in one sub set.
const std::string HeadXml =
    "<?xml version=\"1.0\" ?>\n<!-- head textures -->\n"
    "<TextureSet Name=\"Head\">\n  <Path>textures\\actors\\character\\female</Path>\n"
    "  <SubSet Name=\"Nord\">\n" +
    ChannelXml("Color", "femalehead", "1024",
               "<CompressTex>1</CompressTex><HasAlpha>0</HasAlpha>") +
    ChannelXml("Normal", "femalehead_msn", "1024",
               "<HasAlpha>1</HasAlpha><CompressTex>1</CompressTex>") +
    ChannelXml("Specular", "femalehead_s", "512", "<HasAlpha>0</HasAlpha>") +
    "\n  </SubSet>\n</TextureSet>\n";

class SetDefinitionsTest : public ::testing::Test {
protected:
    TempFolder Root;
    CurrentDirectoryGuard Cwd{Root.Path()};
    BlendEngine Engine;

    void Write(const std::string& name, const std::string& xml) {
        WriteTextFile(Root / ("SetDefs/" + name), xml);
    }
    Names SetNames() {
        Names names;
        Engine.GetTextureSetNames(names);
        return names;
    }
};

} // namespace

TEST(SetDefinitions, NumbersAreReadAsAtoiReadsThem) {
    const std::pair<const char*, int> cases[] = {{" 2048", 2048},
                                                 {"2k", 2},
                                                 {"word", 0},
                                                 {"-16", -16},
                                                 {"+7", 7},
                                                 {"", 0},
                                                 {"\t 12 3", 12},
                                                 {"99999999999", 2147483647},
                                                 {"-99999999999", -2147483647 - 1}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(ReadInteger(text), expected) << '"' << text << '"';
    }
}

// The switches count only as nonzero numbers. A Format element decides alone, in any letter
// case; one that names no format (or has no text) leaves the channel out, as an incomplete one is.
TEST_F(SetDefinitionsTest, SwitchesAndTheFormatElementDecideTheCompression) {
    struct Case {
        const char* Extra;
        const char* Expected; // nullptr: the channel is skipped
    };
    const Case cases[] = {
        {"", "RGB"},
        {"<CompressTex>0</CompressTex>", "RGB"},
        {"<CompressTex/>", "RGB"},
        {"<CompressTex>1</CompressTex>", "DXT1"},
        {"<CompressTex>1</CompressTex><HasAlpha>0</HasAlpha>", "DXT1"},
        {"<CompressTex>1</CompressTex><HasAlpha>1</HasAlpha>", "DXT5"},
        {"<CompressTex>2</CompressTex><HasAlpha>1</HasAlpha><HasAlpha>0</HasAlpha>", "DXT5"},
        {"<HasAlpha>-1</HasAlpha>", "RGBA"},
        {"<Format>BC7</Format>", "BC7"},
        {"<Format>bc7</Format><CompressTex>1</CompressTex><HasAlpha>1</HasAlpha>", "BC7"},
        {"<CompressTex>1</CompressTex><Format>Dxt1</Format><HasAlpha>1</HasAlpha>", "DXT1"},
        {"<Format>rgb</Format><CompressTex>1</CompressTex>", "RGB"},
        {"<Format>RgBa</Format><HasAlpha>0</HasAlpha>", "RGBA"},
        {"<Format>BC5</Format><CompressTex>1</CompressTex>", nullptr},
        {"<Format/>", nullptr},
        {"<format>BC7</format><CompressTex>1</CompressTex>", "DXT1"}, // not the element's name
    };
    std::string xml = "<TextureSet Name=\"S\"><Path>p</Path>";
    for (size_t i = 0; i < std::size(cases); ++i) {
        xml += "<SubSet Name=\"" + std::to_string(i) + "\">" +
               ChannelXml("Color", "c", "1", cases[i].Extra) + "</SubSet>";
    }
    Write("S.xml", xml + "</TextureSet>");
    Engine.LoadSetDefinitions();
    const TextureSet& set = *Engine.FindTextureSet("S");
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].Extra);
        if (cases[i].Expected == nullptr) {
            EXPECT_EQ(set.GetPath("Color", std::to_string(i)), "");
        } else {
            EXPECT_EQ(set.GetCompression("Color", std::to_string(i)), cases[i].Expected);
        }
    }
}

TEST_F(SetDefinitionsTest, FilesAreReadInWindowsOrderAndEverySetIsKept) {
    // Upper-cased ordinal order: "a.xml" before "B.xml" before "_c.xml".
    Write("_c.xml", "<TextureSet Name=\"Head\"><Path>third</Path></TextureSet>");
    Write("B.xml", "<TextureSet Name=\"Body\"><Path>b</Path></TextureSet>"
                   "<TextureSet Name=\"Hands\"><Path>h</Path></TextureSet>"
                   "<TextureSet Name=\"Feet\"><Path>f</Path></TextureSet>");
    Write("a.XML", HeadXml);
    Write("notes.txt", "<TextureSet Name=\"Ignored\"><Path>x</Path></TextureSet>");
    Engine.LoadSetDefinitions();
    EXPECT_EQ(SetNames(), (Names{"Head", "Body", "Hands", "Feet", "Head"}));
    // The head example, the first Head, is read whole.
    Names names;
    Engine.GetChannelNames(names, "Head");
    EXPECT_EQ(names, (Names{"Color", "Normal", "Specular"}));
    const TextureSet& set = *Engine.FindTextureSet("Head");
    EXPECT_EQ(set.GetCompression("Color", "Nord"), "DXT1");
    EXPECT_EQ(set.GetCompression("Normal", "Nord"), "DXT5");
    EXPECT_EQ(set.GetCompression("Specular", "Nord"), "RGB");
    EXPECT_EQ(Engine.GetTextureSize("Head", "Specular", "Nord"), 512);
    EXPECT_EQ(Engine.GetTexturePath("Head", "Color", "Nord"),
              "textures\\actors\\character\\female\\Nord\\femalehead.dds");
}

TEST_F(SetDefinitionsTest, FilesThatDoNotParseOrHideTheirSetsContributeNothing) {
    // Which files the XML reader refuses: its own tests. One that is cut short gives not even the
    // sets before the cut.
    Write("1-malformed.xml", "<TextureSet Name=\"Early\"><Path>e</Path></TextureSet>"
                             "<TextureSet Name=\"Broken\"><Path>b</Path>");
    Write("4-wrapped.xml", "<Sets>" + HeadXml.substr(HeadXml.find("<TextureSet")) + "</Sets>");
    Write("5-case.xml", "<Textureset Name=\"A\"><Path>a</Path></Textureset>"
                        "<TextureSet name=\"B\"><Path>b</Path></TextureSet>"
                        "<TextureSet Name=\"C\"><path>c</path></TextureSet>");
    Write("6-good.xml", "<TextureSet Name=\"Good\"><Path>g</Path></TextureSet>");
    Engine.LoadSetDefinitions();
    EXPECT_EQ(SetNames(), Names{"Good"});
}

TEST_F(SetDefinitionsTest, IncompleteElementsAreSkippedNotFilledFromEarlierOnes) {
    Write("Sets.xml",
          "<TextureSet Name=\"Full\"><Path>full</Path><SubSet Name=\"A\">" +
              ChannelXml("Color", "full_c", "256") +
              "</SubSet></TextureSet>"
              "<TextureSet Name=\"NoPath\"><SubSet Name=\"A\">" +
              ChannelXml("Color", "c", "1") +
              "</SubSet></TextureSet>"
              "<TextureSet Name=\"EmptyPath\"><Path></Path></TextureSet>"
              "<TextureSet><Path>unnamed</Path></TextureSet>"
              "<TextureSet Name=\"Partial\"><Path>partial</Path>"
              "<SubSet><Channel Name=\"Color\"><FileName>lost</FileName></Channel></SubSet>"
              "<SubSet Name=\"B\">"
              "<Channel Name=\"NoFile\"><FileFormat>dds</FileFormat><Size>1</Size></Channel>"
              "<Channel Name=\"NoFormat\"><FileName>x</FileName><Size>1</Size></Channel>"
              "<Channel Name=\"NoSize\"><FileName>x</FileName><FileFormat>dds</FileFormat>"
              "</Channel>"
              "<Channel><FileName>x</FileName><FileFormat>dds</FileFormat><Size>1</Size>"
              "</Channel>" +
              ChannelXml("Normal", "partial_n", "64") + "</SubSet></TextureSet>");
    Engine.LoadSetDefinitions();
    EXPECT_EQ(SetNames(), (Names{"Full", "Partial"}));
    Names names;
    Engine.GetChannelNames(names, "Partial");
    EXPECT_EQ(names, Names{"Normal"});
    EXPECT_EQ(Engine.GetTexturePath("Partial", "Normal", "B"), "partial\\B\\partial_n.dds");
}

TEST_F(SetDefinitionsTest, RepeatedSubSetsMergeAndRepeatedChannelsReplace) {
    Write("Sets.xml", "<TextureSet Name=\"S\"><Other/><Path>first</Path><Path>second</Path>"
                      "<SubSet Name=\"A\">" +
                          ChannelXml("Color", "old", "1") + "</SubSet><SubSet Name=\"A\">" +
                          ChannelXml("Normal", "n", "2") + ChannelXml("Color", "new", "3") +
                          "<SubSet Name=\"Nested\">" + ChannelXml("Glow", "g", "4") +
                          "</SubSet></SubSet></TextureSet>");
    Engine.LoadSetDefinitions();
    const TextureSet& set = *Engine.FindTextureSet("S");
    EXPECT_EQ(set.Path, "first");
    EXPECT_EQ(set.Channels.size(), 2u) << "nested sub sets are not read";
    EXPECT_EQ(set.GetPath("Color", "A"), "first\\A\\new.dds");
    EXPECT_EQ(set.GetSize("Normal", "A"), 2);
}
