#include "catalogue/BlendEngine.h"

#include <gtest/gtest.h>

using namespace quillon;

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

// The first set of a name answers; unknown sets (another letter case counts as unknown) and
// combinations a set does not declare give empty answers, and an undeclared lookup leaves no entry
// that later listings would show.
TEST(Catalogue, QueriesAnswerFromTheFirstSetOfANameAndEmptyForTheUnknown) {
    BlendEngine engine;
    Names names{"stale"};
    engine.GetTextureSetNames(names);
    EXPECT_TRUE(names.empty());
    engine.TextureSets.push_back(HeadSet());
    engine.TextureSets.push_back(std::make_unique<TextureSet>("Body", "textures\\body"));
    engine.TextureSets.push_back(HeadSet());
    engine.TextureSets.back()->AddChannel("Extra", "Glow", "g", "dds", 64, 0);

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

    const std::pair<const char*, const char*> unknown[] = {
        {"head", "Color"}, {"Head ", "Color"}, {"", "Color"}, {"Head", "Normal"}};
    for (const auto& [set, channel] : unknown) {
        EXPECT_EQ(engine.GetTexturePath(set, channel, "Male"), "") << set << channel;
        EXPECT_EQ(engine.GetTextureSize(set, channel, "Male"), 0) << set << channel;
    }
    names = {"stale"};
    engine.GetChannelNames(names, "head");
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(engine.FindTextureSet("Head")->GetCompression("Normal", "Male"), "");
    engine.GetSubSetNames(names, "Head", "Normal");
    EXPECT_EQ(names, (Names{"Female"}));
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
