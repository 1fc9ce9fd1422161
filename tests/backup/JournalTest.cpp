// The journal is read back as outside data: what Quillon writes reads back the same, and a
// damaged or hostile journal is refused with a reason, never followed out of the output folder.
#include "backup/Journal.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace quillon;

namespace {

Journal Sample() {
    Journal journal;
    journal.Started = "2026-12-07 14:03:22";
    journal.Program = "Quillon 0.2.0";
    journal.What = "head fix";
    journal.Process = 4711;
    journal.Folders = {"textures/new folder", "textures/new folder/100% sub"};
    JournalEntry replaced{EntryState::Written,
                          EntryKind::Replaced,
                          {1, 2},
                          {3, 4},
                          "textures/actors/character/female/femalehead.dds",
                          ""};
    JournalEntry fresh{
        EntryState::Pending, EntryKind::New, {5, 6}, {}, "textures/new folder/a b.dds", ""};
    JournalEntry same{EntryState::Written, EntryKind::Same, {7, 8}, {7, 8}, "x.dds", ""};
    JournalEntry failed{EntryState::Failed,
                        EntryKind::Replaced,
                        {9, 10},
                        {11, 12},
                        "textures/new folder/100% sub/%41 line.dds",
                        "writing the file failed\r\n(the disk may be full)"};
    journal.Files = {replaced, fresh, same, failed};
    journal.Ended = "2026-12-07 14:03:25";
    journal.EndedOk = false;
    journal.Undone = "2026-12-08 09:00:00";
    return journal;
}

bool SameJournal(const Journal& a, const Journal& b) {
    if (a.Files.size() != b.Files.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Files.size(); ++i) {
        const JournalEntry &x = a.Files[i], &y = b.Files[i];
        if (x.State != y.State || x.Kind != y.Kind || x.Written != y.Written || x.Path != y.Path ||
            x.Reason != y.Reason || (x.Kind != EntryKind::New && x.Replaced != y.Replaced)) {
            return false;
        }
    }
    return a.Started == b.Started && a.Program == b.Program && a.What == b.What &&
           a.Process == b.Process && a.Folders == b.Folders && a.Ended == b.Ended &&
           a.EndedOk == b.EndedOk && a.Undone == b.Undone;
}

} // namespace

TEST(Journal, ReadsBackWhatItWrites) {
    const Journal written = Sample();
    const std::string text = FormatJournal(written);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(text.find('\t'), std::string::npos);
    Journal read;
    std::string reason;
    ASSERT_TRUE(ParseJournal(text, read, reason)) << reason;
    EXPECT_TRUE(SameJournal(read, written)) << text;

    // A run that goes on (or was killed): no end, not undone.
    Journal running = written;
    running.Ended.clear();
    running.Undone.clear();
    ASSERT_TRUE(ParseJournal(FormatJournal(running), read, reason)) << reason;
    EXPECT_TRUE(SameJournal(read, running));

    // The file on disk, through its size check.
    const TempFolder folder;
    WriteTextFile(folder / "journal.txt", text);
    ASSERT_TRUE(ReadJournalFile(folder / "journal.txt", read, reason)) << reason;
    EXPECT_TRUE(SameJournal(read, written));
    EXPECT_FALSE(ReadJournalFile(folder / "missing.txt", read, reason));
}

// Which paths are unsafe and which hashes malformed: the tests below. Here, that a journal's
// paths (escaped too) and hashes are checked at all.
TEST(Journal, DamagedOrHostileJournalsAreRefusedWithTheirLine) {
    const std::string header = "Quillon journal 1\nstarted 2026-12-07 14:03:22\nprogram Q\n"
                               "what head fix\nprocess 1\n";
    const std::string hash = "0123456789abcdef0123456789ABCDEF";
    const std::string file = "file written new " + hash + " - ";
    const struct {
        const char* What;
        std::string Text;
        std::string Reason; // the start of the reason
    } cases[] = {
        {"empty", "", "the journal does not end"},
        {"cut in the middle of a line", header + file + "a.dds", "the journal does not end"},
        {"cut within the header", "Quillon journal 1\nstarted 2026-12-07 14:03:22\n",
         "the journal ends before"},
        {"another version", "Quillon journal 2\n", "line 1"},
        {"header out of order",
         "Quillon journal 1\nprogram Q\nstarted 2026-12-07 14:03:22\nwhat x\nprocess 1\n",
         "line 2"},
        {"a time that is none", "Quillon journal 1\nstarted yesterday\n", "line 2"},
        {"a process that is no number", header.substr(0, header.size() - 2) + "-1\n", "line 5"},
        {"a process beyond 64 bits", header.substr(0, header.size() - 2) + "99999999999999999999\n",
         "line 5"},
        {"a hash with a non-digit", header + "file written new " + hash.substr(1) + "g - a.dds\n",
         "line 6"},
        {"a new file with a replaced hash",
         header + "file written new " + hash + " " + hash + " a.dds\n", "line 6"},
        {"a replaced file without one", header + "file written replaced " + hash + " - a.dds\n",
         "line 6"},
        {"the same file with two hashes",
         header + "file written same " + hash + " 00000000000000000000000000000000 a.dds\n",
         "line 6"},
        {"an unknown state", header + "file done new " + hash + " - a.dds\n", "line 6"},
        {"no path", header + file + "\n", "line 6"},
        {"a path up, escaped", header + file + "textures/%2E%2E/%2E%2E/x\n", "line 6"},
        {"an escaped line break", header + file + "a%0A.dds\n", "line 6"},
        {"a bad escape", header + file + "a%4.dds\n", "line 6"},
        {"a lower-case escape", header + file + "a%2f.dds\n", "line 6"},
        {"a raw carriage return", header + file + "a.dds\r\n", "line 6"},
        {"a folder up", header + "folder ..\n", "line 6"},
        {"a reason before any file", header + "reason disk full\n", "line 6"},
        {"two reasons for a file", header + file + "a.dds\nreason one\nreason two\n", "line 8"},
        {"an unknown record", header + "delete a.dds\n", "line 6"},
        {"ended twice", header + "ended 2026-12-07 14:03:25 ok\nended 2026-12-07 14:03:25 ok\n",
         "line 7"},
        {"an end without outcome", header + "ended 2026-12-07 14:03:25\n", "line 6"},
        {"a file after the end", header + "ended 2026-12-07 14:03:25 ok\n" + file + "a.dds\n",
         "line 7"},
        {"ended after undone",
         header + "undone 2026-12-07 14:03:25\nended 2026-12-07 14:03:25 ok\n", "line 7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        Journal journal;
        std::string reason;
        EXPECT_FALSE(ParseJournal(c.Text, journal, reason));
        EXPECT_EQ(reason.substr(0, c.Reason.size()), c.Reason) << reason;
    }
    // The same lines, sound, are read: the cases above fail for what they change.
    Journal journal;
    std::string reason;
    EXPECT_TRUE(ParseJournal(header + file + "a%25 b.dds\nreason one\nfolder x\n" +
                                 "undone 2026-12-07 14:03:25\n",
                             journal, reason))
        << reason;
    ASSERT_EQ(journal.Files.size(), 1u);
    EXPECT_EQ(journal.Files[0].Path, "a% b.dds");
    EXPECT_EQ(journal.Files[0].Reason, "one");
}

TEST(Journal, SafeRelativePaths) {
    for (const char* path : {"a.dds", "textures/actors/a b.dds", "a/.b/c..d", "%"}) {
        EXPECT_TRUE(IsSafeRelativePath(path)) << path;
    }
    for (const char* path :
         {"", "/a", "a/", "a//b", "./a", "a/./b", "..", "a/../b", "a\\b", "C:a", "a/b:stream"}) {
        EXPECT_FALSE(IsSafeRelativePath(path)) << path;
    }
    EXPECT_FALSE(IsSafeRelativePath(std::string(4097, 'a')));
}

// What a run did to each path: the first entry tells what was there; failed writes count for
// nothing.
TEST(Journal, SummarizeRunFollowsEachPathFromItsFirstEntry) {
    Journal journal;
    const ContentHash original{1, 1}, first{2, 2}, second{3, 3}, failed{4, 4};
    journal.Files = {
        {EntryState::Failed, EntryKind::Replaced, failed, original, "a", "disk full"},
        {EntryState::Written, EntryKind::Replaced, first, original, "a", ""},
        {EntryState::Written, EntryKind::New, first, {}, "b", ""},
        {EntryState::Pending, EntryKind::Replaced, second, original, "a", ""},
        {EntryState::Written, EntryKind::Same, original, original, "c", ""},
        {EntryState::Failed, EntryKind::New, failed, {}, "d", "disk full"},
    };
    const std::vector<PathHistory> paths = SummarizeRun(journal);
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(paths[0].Path, "a");
    EXPECT_TRUE(paths[0].HadOriginal && paths[0].Kept);
    EXPECT_EQ(paths[0].Original, original);
    EXPECT_EQ(paths[0].Written, (std::vector<ContentHash>{first, second}));
    EXPECT_FALSE(paths[0].WroteContent(failed));
    EXPECT_TRUE(!paths[1].HadOriginal && !paths[1].Kept);
    EXPECT_TRUE(paths[2].HadOriginal && !paths[2].Kept && paths[2].WroteContent(original));
}

TEST(ContentHash, HexRoundTripAndFiles) {
    const std::vector<std::uint8_t> bytes = {'q', 'u', 'i', 'l', 'l', 'o', 'n'};
    const ContentHash hash = HashBytes(bytes);
    ContentHash back;
    ASSERT_TRUE(ParseHex(ToHex(hash), back));
    EXPECT_EQ(back, hash);
    EXPECT_NE(HashBytes(bytes.data(), bytes.size() - 1), hash);
    EXPECT_FALSE(ParseHex(ToHex(hash).substr(1), back));
    const TempFolder folder;
    // Longer than the reader's piece, so the pieces must join up.
    std::string big(3u << 20, 'x');
    big[big.size() - 1] = 'y';
    WriteTextFile(folder / "big", big);
    ContentHash fromFile;
    ASSERT_TRUE(HashFile(folder / "big", fromFile));
    EXPECT_EQ(fromFile, HashBytes(reinterpret_cast<const std::uint8_t*>(big.data()), big.size()));
    EXPECT_FALSE(HashFile(folder / "missing", fromFile));
}
