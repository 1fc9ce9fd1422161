#include "platform/FolderEnum.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const std::vector<FoundEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.Name);
    }
    return names;
}

} // namespace

TEST(MatchesPattern, FollowsWindowsWildcardsIgnoringCase) {
    struct Case {
        const char* Name;
        const char* Pattern;
        bool Expected;
    };
    const Case cases[] = {
        {"Head.XML", "*.xml", true},   {"head.xml.bak", "*.xml", false},
        {"xml", "*.xml", false},       {"a.b.xml", "*.xml", true},
        {"noextension", "*.*", true},  {"abc", "a?c", true},
        {"ac", "a?c", false},          {".cache", "*", true},
        {"Body.dds", "b*Y.D?S", true}, {"Body.dds", "*y", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesPattern(c.Name, c.Pattern), c.Expected) << c.Name << " ~ " << c.Pattern;
    }
}

TEST(FindEntries, ListsInNtfsOrderWithDotEntriesFirst) {
    TempFolder root;
    for (const char* name : {"b.dds", "A.dds", "_z.dds", "a1.dds", "Z.dds"}) {
        WriteTextFile(root / ("Lib/" + std::string(name)), "x");
    }
    fs::create_directories(root.Path() / "Lib/Alt");
    std::vector<FoundEntry> entries;
    ASSERT_TRUE(FindEntries(root.Path().string() + "\\Lib\\*.*", entries));
    // Upper-cased ordinal order: "_" (0x5F) sorts after the letters, unlike plain byte order.
    EXPECT_EQ(Names(entries), (std::vector<std::string>{".", "..", "A.dds", "a1.dds", "Alt",
                                                        "b.dds", "Z.dds", "_z.dds"}));
    EXPECT_TRUE(entries[4].IsDirectory);
    EXPECT_FALSE(entries[3].IsDirectory);
}

TEST(FindEntries, MatchesTheMaskCaseInsensitivelyInACaseInsensitivelyFoundFolder) {
    TempFolder root;
    WriteTextFile(root / "SetDefs/Body.XML", "x");
    WriteTextFile(root / "SetDefs/head.xml", "x");
    WriteTextFile(root / "SetDefs/notes.txt", "x");
    CurrentDirectoryGuard cwd(root.Path());
    std::vector<FoundEntry> entries;
    ASSERT_TRUE(FindEntries("setdefs\\*.xml", entries));
    EXPECT_EQ(Names(entries), (std::vector<std::string>{"Body.XML", "head.xml"}));
}

TEST(FindEntries, MissingFolderFailsAndEmptyFolderSucceedsEmpty) {
    TempFolder root;
    CurrentDirectoryGuard cwd(root.Path());
    std::vector<FoundEntry> entries{{"stale", false}};
    EXPECT_FALSE(FindEntries("Missing\\*.*", entries));
    EXPECT_TRUE(entries.empty());
    fs::create_directories("Empty");
    EXPECT_TRUE(FindEntries("Empty\\*.xml", entries));
    EXPECT_TRUE(entries.empty());
}
