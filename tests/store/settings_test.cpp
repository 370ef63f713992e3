#include <gtest/gtest.h>

#include <unistd.h>

#include <tuple>

#include "files/textfile.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::WriteFile;

namespace {

std::string lines(const std::vector<std::string>& ls) { return textfile::joinLines(ls); }

// An assignment file of `count` lines: cells "c<code>", then font and charset.
std::vector<std::string> assignmentFile(int count) {
    std::vector<std::string> ls;
    for (int k = 1; k <= count && k <= 192; ++k) ls.push_back(std::to_string(63 + k).insert(0, 1, 'c'));
    if (count >= 193) ls.push_back("Times New Roman");
    if (count >= 194) ls.push_back(" 177 ");
    for (int k = 195; k <= count; ++k) ls.push_back(std::to_string(k - 194).insert(0, 1, 'T'));
    return ls;
}

}  // namespace

TEST(SettingsFiles, FirstStartWithNoFilesWritesTheDefaults) {
    store::AbbListVersion = 1;
    store::ReadSettingsFiles();
    EXPECT_EQ(ReadFile(store::kAssignmentFile), "");
    EXPECT_EQ(ReadFile(store::kOptionsFile), "");
    ASSERT_TRUE(store::WriteSettingsFiles());

    std::string expected(192 * 2, ' ');
    for (size_t i = 0; i < 192; ++i) expected.replace(i * 2, 2, "\r\n");
    expected += "Arial\r\n 0 \r\n";
    for (int i = 1; i <= 16; ++i) expected += "Custom" + std::to_string(i) + "\r\n";
    EXPECT_EQ(ReadFile(store::kAssignmentFile), expected);
    EXPECT_EQ(ReadFile(store::kOptionsFile), " 12 \r\n0\r\n1\r\n1\r\n");
    EXPECT_EQ(store::CustomTitle[16], "Custom16");
    EXPECT_FALSE(store::LockUni);
}

TEST(SettingsFiles, ACompleteFileSurvivesAReadAndAWrite) {
    auto file = assignmentFile(210);
    file[28] = "ignored 92";  // the places of 92, 123 and 125 are written back empty
    file[59] = "ignored 123";
    file[61] = "ignored 125";
    file[100] = "\\u1070?";
    WriteFile(store::kAssignmentFile, lines(file));
    WriteFile(store::kOptionsFile, lines({" 14 ", "1", "0", "0"}));
    store::ReadSettingsFiles();
    EXPECT_EQ(store::CellCode[64], "c64");
    EXPECT_EQ(store::CellCode[164], "\\u1070?");
    EXPECT_EQ(store::CellCode[92], "");
    EXPECT_EQ(store::CellFontName, "Times New Roman");
    EXPECT_EQ(store::CellCharSet, 177);
    EXPECT_EQ(store::CellFontSize, 14);
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(store::CustomTitle[1], "T1");
    ASSERT_TRUE(store::WriteSettingsFiles());

    file[28] = file[59] = file[61] = "";
    file[193] = " 177 ";
    EXPECT_EQ(ReadLines(store::kAssignmentFile), file);
}

TEST(SettingsFiles, MissingLinesKeepTheirValues) {
    store::CellCode[255] = "kept";
    store::CustomTitle[3] = "";
    WriteFile(store::kAssignmentFile, lines(assignmentFile(194)));
    store::ReadSettingsFiles();
    EXPECT_EQ(store::CellCode[255], "c255");
    EXPECT_EQ(store::CustomTitle[3], "Custom3");

    WriteFile(store::kAssignmentFile, lines(assignmentFile(150)));
    store::CellCode[255] = "kept";
    store::CellFontName = "Kept";
    store::ReadSettingsFiles();
    EXPECT_EQ(store::CellCode[200], "c200");
    EXPECT_EQ(store::CellCode[255], "kept");
    EXPECT_EQ(store::CellFontName, "Kept");
}

TEST(SettingsFiles, CharacterSetLineWithOrWithoutBlanks) {
    auto file = assignmentFile(194);
    for (const char* line : {" 204 ", "204", "\t204"}) {
        store::CellCharSet = 0;
        file[193] = line;
        WriteFile(store::kAssignmentFile, lines(file));
        store::ReadSettingsFiles();
        EXPECT_EQ(store::CellCharSet, 204) << line;
    }
    // A line that is no whole number keeps the character set in use.
    for (const char* line : {"abc", "", "2x", "99999"}) {
        store::CellCharSet = 161;
        file[193] = line;
        WriteFile(store::kAssignmentFile, lines(file));
        store::ReadSettingsFiles();
        EXPECT_EQ(store::CellCharSet, 161) << line;
    }
}

TEST(SettingsFiles, SizeLineIsTakenOnlyWhenItIsAUsableSize) {
    const std::pair<const char*, int> cases[] = {
        {" 14 ", 14}, {"14", 14}, {"0", 12}, {"-2", 12}, {"", 12}, {"abc", 12}, {"14pt", 12},
        {"16383", 16383}, {"16384", 12}, {"40000", 12}, {"14.5", 14}, {"15.5", 16}, {"9.6", 10},
    };
    for (auto [line, size] : cases) {
        store::CellFontSize = 12;
        WriteFile(store::kOptionsFile, lines({line, "0", "0", "0"}));
        store::ReadSettingsFiles();
        EXPECT_EQ(store::CellFontSize, size) << '"' << line << '"';
    }
}

TEST(SettingsFiles, OptionFlagsFollowTheirLines) {
    store::LockUni = true;
    WriteFile(store::kOptionsFile, lines({" 12 ", "yes", "1", "1"}));
    store::ReadSettingsFiles();
    EXPECT_TRUE(store::LockUni);  // any other text leaves it
    EXPECT_TRUE(store::BedRetrace);
    EXPECT_TRUE(store::AbbRetrace);

    WriteFile(store::kOptionsFile, lines({" 12 ", "1"}));  // two lines clear both flags
    store::ReadSettingsFiles();
    EXPECT_TRUE(store::LockUni);
    EXPECT_FALSE(store::BedRetrace);
    EXPECT_FALSE(store::AbbRetrace);

    WriteFile(store::kOptionsFile, lines({" 12 "}));  // one line: LOCK UNI off
    store::ReadSettingsFiles();
    EXPECT_FALSE(store::LockUni);
}

TEST(SettingsFiles, RetraceLinesComeFromTheVersions) {
    store::AbbListVersion = 3;
    store::AbbTracedVersion = 3;
    store::BedTracedVersion = 2;
    store::AbbRetrace = true;
    ASSERT_TRUE(store::WriteSettingsFiles());
    EXPECT_EQ(ReadLines(store::kOptionsFile), (std::vector<std::string>{" 12 ", "0", "1", "0"}));
    EXPECT_TRUE(store::AbbRetrace);  // writing never changes the flags in memory
}

TEST(SettingsFiles, LineBreaksInValuesNeverShiftTheLines) {
    store::CellCode[64] = "{\\b x}\r\n\\par y";
    store::CellFontName = "Ari\nal";
    store::CustomTitle[1] = "My\rset";
    ASSERT_TRUE(store::WriteSettingsFiles());
    const auto ls = ReadLines(store::kAssignmentFile);
    ASSERT_EQ(ls.size(), 210u);
    EXPECT_EQ(ls[0], "{\\b x}\\par y");
    EXPECT_EQ(ls[192], "Arial");
    EXPECT_EQ(ls[194], "Myset");
}

TEST(SettingsFiles, NegativeNumbersTakeTheBlanksPlace) {
    EXPECT_EQ(store::IntLine(0), " 0 ");
    EXPECT_EQ(store::IntLine(12), " 12 ");
    EXPECT_EQ(store::IntLine(-5), "-5 ");
}

TEST(SettingsFiles, AWriteThatFailsKeepsTheOldFiles) {
    WriteFile(store::kAssignmentFile, lines(assignmentFile(210)));
    WriteFile(store::kOptionsFile, " 14 \r\n0\r\n0\r\n0\r\n");
    const auto before = ReadFile(store::kAssignmentFile);
    store::CellCode[64] = std::string(5000, 'x');
    store::CellFontSize = 20;

    // The disk fills up: writes beyond 64 bytes are refused.
    std::string error;
    bool ok = true;
    {
        testing_support::DiskFull full(64);
        ok = store::WriteSettingsFiles(&error);
    }

    EXPECT_FALSE(ok);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFile(store::kAssignmentFile), before);
    // The small options file fits and is written.
    EXPECT_EQ(ReadLines(store::kOptionsFile)[0], " 20 ");
}

TEST(SettingsFiles, AFaceNameThatCannotStandInRtfIsRefusedAndTheFaceInUseKept) {
    const std::string longest(store::kMaxFaceNameBytes, 'a');
    for (const std::string& face : {std::string("Ari}al"), std::string("Ar{ial"), std::string("Arial;}}{\\info"),
                                    std::string("Ari\\al"), std::string("Arial;"), longest + "a"}) {
        auto file = assignmentFile(210);
        file[192] = face;
        WriteFile(store::kAssignmentFile, lines(file));
        store::CellFontName = "Kept";
        const store::SettingsRead read = store::ReadSettingsFiles();
        EXPECT_EQ(read.refusedFaceName, std::optional<std::string>(face));
        EXPECT_EQ(store::CellFontName, "Kept");
        EXPECT_EQ(store::CellCode[64], "c64");
        EXPECT_EQ(store::CellCharSet, 177);
    }
    for (const std::string& face : {std::string("Times New Roman"), std::string(), std::string("MS Mincho"),
                                    std::string("Arial (Hebrew)"), longest}) {
        auto file = assignmentFile(210);
        file[192] = face;
        WriteFile(store::kAssignmentFile, lines(file));
        EXPECT_FALSE(store::ReadSettingsFiles().refusedFaceName);
        EXPECT_EQ(store::CellFontName, face);
    }
}

TEST(SettingsFiles, BothFilesReachTheDiskBeforeTheyReplaceTheOldOnes) {
    testing_support::WriteLog log;
    ASSERT_TRUE(store::WriteSettingsFiles());
    EXPECT_TRUE(log.Flushed(store::kAssignmentFile));
    EXPECT_TRUE(log.Flushed(store::kOptionsFile));
}

// Past its bound a settings file is neither read nor overwritten: a sparse
// options file of 512 MB costs nothing, and the write names the file, its
// size and the bound. Cells that would make the assignment file too long for
// the next start leave it as it was.
TEST(SettingsFiles, AFilePastItsBoundIsNeitherReadNorOverwritten) {
    const std::string whole = lines(assignmentFile(210));
    for (const auto& [name, size, bound] : {std::tuple{store::kOptionsFile, (std::int64_t{512} << 20) - 1, "(4 KB)"},
                                           std::tuple{store::kAssignmentFile, std::int64_t{1 << 20} + 1, "(1 MB)"}}) {
        store::ResetSharedState();
        WriteFile(store::kAssignmentFile, whole);
        WriteFile(store::kOptionsFile, " 14 \r\n");
        ASSERT_EQ(::truncate(name, size), 0);
        store::ReadSettingsFiles();
        std::string error;
        EXPECT_FALSE(store::WriteSettingsFiles(&error));
        EXPECT_NE(error.find("cannot be read, so it is not overwritten.\r\n\r\nCannot read \"" + std::string(name) +
                             "\": It holds " + std::to_string(size) + " bytes"),
                  std::string::npos) << error;
        EXPECT_TRUE(error.ends_with(bound)) << error;
        EXPECT_EQ(textfile::length(name), size);
    }
    WriteFile(store::kAssignmentFile, whole);
    store::ReadSettingsFiles();
    store::CellCode[64] = std::string(1 << 20, 'x');
    std::string error;
    EXPECT_FALSE(store::WriteSettingsFiles(&error));
    EXPECT_TRUE(error.starts_with("Cannot write \"RUNEMILLINI.TXT\": It would hold")) << error;
    EXPECT_EQ(ReadFile(store::kAssignmentFile), whole);
}
