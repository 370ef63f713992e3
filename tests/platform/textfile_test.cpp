#include <gtest/gtest.h>

#include "platform/textfile.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using V = std::vector<std::string>;

TEST(TextFileLines, LineEndsAreCrLfLoneCrAndLoneLf) {
    EXPECT_EQ(textfile::splitLines("ab\r\ncd"), (V{"ab", "cd"}));
    EXPECT_EQ(textfile::splitLines("ab\r\n"), (V{"ab"}));
    EXPECT_EQ(textfile::splitLines("ab\rcd\nef"), (V{"ab", "cd", "ef"}));
    EXPECT_EQ(textfile::splitLines("\r\n"), (V{""}));
    EXPECT_EQ(textfile::splitLines("\r\n\r\n"), (V{"", ""}));
    EXPECT_EQ(textfile::splitLines(""), V{});
}

TEST(TextFileLines, LoneLfCanStayInsideTheLine) {
    EXPECT_EQ(textfile::splitLines("a\nb\r\nc\rd", textfile::LoneLf::StaysInLine), (V{"a\nb", "c", "d"}));
}

TEST(TextFileLines, CountingStopsAtTheLimitAndCountsAnUnendedLastLine) {
    WriteFile("f.txt", "a\r\nb\r\nc");
    EXPECT_EQ(textfile::countLines("f.txt", 100), 3);
    EXPECT_EQ(textfile::countLines("f.txt", 2), 2);
    WriteFile("lf.txt", "a\nb\n");
    EXPECT_EQ(textfile::countLines("lf.txt", 100), 2);
    WriteFile("empty.txt", "");
    EXPECT_EQ(textfile::countLines("empty.txt", 100), 0);
    EXPECT_EQ(textfile::countLines("missing.txt", 100), -1);
}

TEST(TextFileWrite, LinesAreWrittenWithCrLfAndCopiesReplaceTheTarget) {
    ASSERT_TRUE(textfile::writeLinesAtomic("a.txt", {"x", "", "\xb5"}));
    EXPECT_EQ(ReadFile("a.txt"), "x\r\n\r\n\xb5\r\n");
    ASSERT_TRUE(textfile::append("a.txt", "more\r\n"));
    EXPECT_EQ(textfile::length("a.txt"), 14);
    ASSERT_TRUE(textfile::copyOver("a.txt", "b.txt"));
    EXPECT_EQ(ReadFile("b.txt"), ReadFile("a.txt"));
    EXPECT_FALSE(textfile::copyOver("missing.txt", "b.txt"));
    EXPECT_EQ(ReadFile("b.txt"), ReadFile("a.txt"));
    EXPECT_TRUE(textfile::remove("b.txt"));
    EXPECT_FALSE(textfile::exists("b.txt"));
    EXPECT_EQ(textfile::length("b.txt"), -1);
}

TEST(TextFileWrite, EnsureExistsCreatesButNeverChanges) {
    EXPECT_TRUE(textfile::ensureExists("new.txt"));
    EXPECT_EQ(ReadFile("new.txt"), "");
    WriteFile("old.txt", "keep");
    EXPECT_TRUE(textfile::ensureExists("old.txt"));
    EXPECT_EQ(ReadFile("old.txt"), "keep");
}

// A disk that fills up while a file is written: the old file must stay whole.
TEST(TextFileWrite, AFailedWriteKeepsTheOldFile) {
    WriteFile("keep.txt", "old content\r\n");
    bool ok = true;
    {
        testing_support::DiskFull full(64);
        ok = textfile::writeAtomic("keep.txt", std::string(1000, 'x'));
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(textfile::lastError().isEmpty());
    EXPECT_EQ(ReadFile("keep.txt"), "old content\r\n");
}

TEST(TextFileNames, AnsiNamesReachTheFileSystem) {
    ASSERT_TRUE(textfile::writeAtomic("Gr\xfc\xdf.TXT", "x"));
    EXPECT_TRUE(textfile::exists("Gr\xfc\xdf.TXT"));
    EXPECT_EQ(ReadFile("Gr\xfc\xdf.TXT"), "x");
}
