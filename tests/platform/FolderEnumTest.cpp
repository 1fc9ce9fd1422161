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
        {"Body.dds", "b*Y.D?S", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchesPattern(c.Name, c.Pattern), c.Expected) << c.Name << " ~ " << c.Pattern;
    }
}

// Upper-cased ordinal order, dot entries first; the mask and the folder's name matched ignoring
// case; a missing folder fails, an empty one succeeds empty.
TEST(FindEntries, ListsAFolderAsWindowsDoes) {
    TempFolder root;
    for (const char* name : {"b.dds", "A.dds", "_z.dds", "a1.dds", "Z.dds", "notes.txt"}) {
        WriteTextFile(root / ("Lib/" + std::string(name)), "x");
    }
    fs::create_directories(root.Path() / "Lib/Alt");
    fs::create_directories(root.Path() / "Empty");
    CurrentDirectoryGuard cwd(root.Path());
    std::vector<FoundEntry> entries;
    ASSERT_TRUE(FindEntries("Lib\\*.*", entries));
    // "_" (0x5F) sorts after the letters, unlike plain byte order.
    EXPECT_EQ(Names(entries), (std::vector<std::string>{".", "..", "A.dds", "a1.dds", "Alt",
                                                        "b.dds", "notes.txt", "Z.dds", "_z.dds"}));
    EXPECT_TRUE(entries[4].IsDirectory);
    EXPECT_FALSE(entries[3].IsDirectory);
    ASSERT_TRUE(FindEntries(root.Path().string() + "\\lib\\*.DDS", entries));
    EXPECT_EQ(Names(entries),
              (std::vector<std::string>{"A.dds", "a1.dds", "b.dds", "Z.dds", "_z.dds"}));

    entries = {{"stale", false}};
    EXPECT_FALSE(FindEntries("Missing\\*.*", entries));
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(FindEntries("Empty\\*.xml", entries));
    EXPECT_TRUE(entries.empty());
}
