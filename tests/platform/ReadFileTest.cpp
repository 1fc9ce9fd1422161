// The capped whole-file reader every reader of outside data goes through, and the problems
// readers report.
#include "platform/ReadFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillon;

TEST(ReadWholeFile, ReadsUpToTheCapAndExplainsWhatItRefuses) {
    const TempFolder folder;
    WriteTextFile(folder / "ten.bin", std::string("0123456789"));
    WriteTextFile(folder / "empty.bin", "");
    std::vector<std::uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(ReadWholeFile(folder / "ten.bin", 10, bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");

    // Empty files read as no bytes, whatever reads them then.
    std::string text = "left over";
    EXPECT_TRUE(ReadWholeFile(folder / "empty.bin", 10, text));
    EXPECT_EQ(text, "");

    struct Case {
        const char* What;
        std::string Path;
        std::string Reason;
    };
    const Case cases[] = {
        {"one byte over the cap", folder / "ten.bin", "the file is larger than 9 bytes"},
        {"a folder", folder.Path().string(), "it is a folder, not a file"},
        {"missing", folder / "missing.bin", "there is no such file"},
    };
    for (const Case& c : cases) {
        bytes = {1, 2, 3};
        const Outcome read = ReadWholeFile(c.Path, 9, bytes);
        EXPECT_FALSE(read) << c.What;
        EXPECT_EQ(read.Why().Text, c.Reason) << c.What;
        EXPECT_TRUE(bytes.empty()) << c.What;
    }
}

TEST(Problem, OutOfMemoryIsAProblemNotAnEndAndNumbersAreGroupedInThousands) {
    const Outcome ran = CatchingOutOfMemory([]() -> Outcome { throw std::bad_alloc(); });
    EXPECT_FALSE(ran);
    EXPECT_EQ(ran.Why().Text, OutOfMemory().Text);
    EXPECT_TRUE(CatchingOutOfMemory([] { return Outcome(); }));

    EXPECT_EQ(GroupedNumber(999), "999");
    EXPECT_EQ(GroupedNumber(1000), "1,000");
    EXPECT_EQ(GroupedNumber(18446744073709551615u), "18,446,744,073,709,551,615");
    const Problem cut = Truncated(4120, 1048704);
    EXPECT_EQ(cut.Text, "the file ends at byte 4,120 of 1,048,704");
    EXPECT_EQ(cut.Offset, 4120u);
}
