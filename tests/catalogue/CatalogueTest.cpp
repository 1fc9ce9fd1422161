#include "catalogue/BlendEngine.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// A set made in code: sub sets "Female" and "Male", channels in an order that is not sorted.
std::unique_ptr<TextureSet> HeadSet(const std::string& name = "Head") {
    auto set = std::make_unique<TextureSet>(name, "textures\\actors\\character");
    set->AddChannel("Male", "Specular", "malehead_msn", "dds", 512, FlagUncompressed);
    set->AddChannel("Female", "Normal", "femalehead_n", "dds", 1024, FlagHasAlpha);
    set->AddChannel("Female", "Color", "femalehead", "dds", 1024, 0);
    set->AddChannel("Male", "Color", "malehead", "dds", 1024, 0);
    set->AddChannel("Female", "Specular", "femalehead_s", "dds", 512,
                    FlagUncompressed | FlagHasAlpha);
    return set;
}

} // namespace

TEST(Catalogue, CompressionFollowsTheTwoFlags) {
    EXPECT_EQ(CompressionFor(FlagUncompressed), "RGB");
    EXPECT_EQ(CompressionFor(FlagUncompressed | FlagHasAlpha), "RGBA");
    EXPECT_EQ(CompressionFor(0), "DXT1");
    EXPECT_EQ(CompressionFor(FlagHasAlpha), "DXT5");
}

TEST(Catalogue, QueriesAnswerFromTheFirstSetOfAName) {
    BlendEngine engine;
    engine.TextureSets.push_back(HeadSet());
    engine.TextureSets.push_back(std::make_unique<TextureSet>("Body", "textures\\body"));
    engine.TextureSets.push_back(HeadSet());
    engine.TextureSets.back()->AddChannel("Extra", "Glow", "g", "dds", 64, 0);

    Names names{"stale"};
    engine.GetTextureSetNames(names);
    EXPECT_EQ(names, (Names{"Head", "Body", "Head"}));
    engine.GetChannelNames(names, "Head");
    EXPECT_EQ(names, (Names{"Color", "Normal", "Specular"})) << "the second Head is unreachable";
    engine.GetSubSetNames(names, "Head", "Color");
    EXPECT_EQ(names, (Names{"Female", "Male"}));
    EXPECT_EQ(engine.GetTexturePath("Head", "Color", "Male"),
              "textures\\actors\\character\\Male\\malehead.dds");
    EXPECT_EQ(engine.GetTextureSize("Head", "Specular", "Male"), 512);
    EXPECT_EQ(engine.FindTextureSet("Head")->GetCompression("Specular", "Female"), "RGBA");
    engine.GetChannelNames(names, "Body");
    EXPECT_TRUE(names.empty()) << "a set without channels is still listed";
}

TEST(Catalogue, UnknownNamesGiveEmptyResultsAndCaseCounts) {
    BlendEngine engine;
    Names names{"stale"};
    engine.GetTextureSetNames(names);
    EXPECT_TRUE(names.empty());
    engine.TextureSets.push_back(HeadSet());
    for (const char* set : {"head", "Head ", ""}) {
        names = {"stale"};
        engine.GetChannelNames(names, set);
        EXPECT_TRUE(names.empty()) << set;
        engine.GetSubSetNames(names, set, "Color");
        EXPECT_TRUE(names.empty()) << set;
        EXPECT_EQ(engine.GetTexturePath(set, "Color", "Male"), "") << set;
        EXPECT_EQ(engine.GetTextureSize(set, "Color", "Male"), 0) << set;
        EXPECT_EQ(engine.FindTextureSet(set), nullptr) << set;
    }
}

TEST(Catalogue, AnUndeclaredCombinationLeavesNoEntryBehind) {
    BlendEngine engine;
    engine.TextureSets.push_back(HeadSet());
    const TextureSet& set = *engine.TextureSets.front();
    EXPECT_EQ(engine.GetTexturePath("Head", "Normal", "Male"), "");
    EXPECT_EQ(engine.GetTextureSize("Head", "Normal", "Male"), 0);
    EXPECT_EQ(set.GetCompression("Normal", "Male"), "");
    Names names;
    engine.GetSubSetNames(names, "Head", "Normal");
    EXPECT_EQ(names, (Names{"Female"}));
    EXPECT_EQ(set.Channels.size(), 5u);
}

TEST(Catalogue, SubSetListingMatchesTheChannelNameAnywhereInTheKey) {
    TextureSet set("S", "p");
    set.AddChannel("Base", "Normal", "n", "dds", 1, 0);
    set.AddChannel("Base", "NormalDetail", "nd", "dds", 1, 0);
    set.AddChannel("Normal", "Color", "c", "dds", 1, 0); // a sub set named like a channel
    set.AddChannel("Alt", "Color", "c", "dds", 1, 0);
    Names names;
    set.ListSubSetNames("Normal", names);
    // Keys in byte order: "Color-Alt", "Color-Normal", "Normal-Base", "NormalDetail-Base".
    EXPECT_EQ(names, (Names{"Normal", "Base", "Base"}));
    names.clear();
    set.ListSubSetNames("", names);
    EXPECT_EQ(names.size(), 4u) << "the empty name is in every key";
    // A hyphen in a channel name splits the key at the wrong place.
    set.AddChannel("Z", "Gloss-Map", "s", "dds", 1, 0);
    names.clear();
    set.ListSubSetNames("Gloss-Map", names);
    EXPECT_EQ(names, (Names{"Map-Z"}));
}

TEST(Catalogue, OrderIsByteWiseAndCaseSensitive) {
    TextureSet set("S", "p");
    for (const char* channel : {"normal", "Normal", "_x", "\xC3\xA9t\xC3\xA9", "Color"}) {
        set.AddChannel("A", channel, "f", "dds", 1, 0);
    }
    Names names{"kept"};
    set.ListChannelNames(names); // appends
    EXPECT_EQ(names, (Names{"kept", "Color", "Normal", "_x", "normal", "\xC3\xA9t\xC3\xA9"}));
}

TEST(Catalogue, ALaterDeclarationOfTheSameChannelReplacesTheEarlier) {
    TextureSet set("S", "p");
    set.AddChannel("A", "Color", "first", "dds", 512, 0);
    set.AddChannel("A", "Color", "second", "tga", 1024, FlagUncompressed);
    EXPECT_EQ(set.GetPath("Color", "A"), "p\\A\\second.tga");
    EXPECT_EQ(set.GetSize("Color", "A"), 1024);
    EXPECT_EQ(set.GetCompression("Color", "A"), "RGB");
    EXPECT_EQ(set.Channels.size(), 1u);
}
