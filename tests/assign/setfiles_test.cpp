#include "assign/setfiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFile>
#include <filesystem>

#include "files/textfile.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/file_faults.h"
#include "support/testing.h"

using namespace assign;
using testing_support::CaseBlindFolder;
using testing_support::ExpectEachFailureChangesNothing;
using testing_support::FolderContents;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// `count` lines "L1", "L2", ... each ended by CR LF.
std::string numberedLines(int count) {
    std::string text;
    for (int k = 1; k <= count; ++k) {
        text += 'L';
        text += std::to_string(k);
        text += "\r\n";
    }
    return text;
}

std::array<std::string, 17> defaultTitles() {
    std::array<std::string, 17> titles;
    for (int i = 1; i <= 16; ++i) titles[static_cast<size_t>(i)] = "Custom" + std::to_string(i);
    return titles;
}

void settingsFiles() {
    WriteFile(store::kAssignmentFile, numberedLines(210));
    WriteFile(store::kOptionsFile, " 14 \r\n1\r\n0\r\n1\r\n");
}

// The settings files of settingsFiles() and the given set files, with the
// title line of set 1 holding `title`.
std::map<std::string, std::string> renamedFolder(const std::string& title, std::map<std::string, std::string> sets) {
    std::string assignment = numberedLines(210);
    sets[store::kAssignmentFile] = assignment.replace(assignment.find("L195\r\n"), 4, title);
    sets[store::kOptionsFile] = " 14 \r\n1\r\n0\r\n1\r\n";
    return sets;
}

}  // namespace

TEST(SetTitles, TitlesThatCouldDamageAFileAreRefusedWithTheReason) {
    const std::string longest(255 - 6, 'x');  // "II.TXT" fills the entry exactly
    settingsFiles();
    struct Case {
        std::string title;
        const char* reasonPart;  // nullptr: the title is taken
        const char *link = nullptr, *target = nullptr;  // a set file made a symbolic link first
    };
    const Case cases[] = {
        {"My set", nullptr},
        {" padded ", nullptr},
        {"custom1", nullptr},
        {"UNDO", nullptr},
        {"UNDO10", nullptr},
        {"RUNEMILLINI22", nullptr},
        {"...", nullptr},
        {"a.b", nullptr},
        {longest, nullptr},
        {"", "needs a title"},
        {"   ", "needs a title"},
        {"a/b", "separate folders"},
        {"a\\b", "separate folders"},
        {"..", "name folders"},
        {".", "name folders"},
        {std::string("a\0b", 3), "NUL"},
        {"a\rb", "line break"},
        {"a\nb", "line break"},
        {"a\x01", "control character (code 1)"},
        {"a\tb", "control character (code 9)"},
        {"\x1b[1m", "control character (code 27)"},
        {"a\x7f", "control character (code 127)"},
        {"\x80\xa0\xff", nullptr},  // Windows-1252 signs and letters
        {"C4", "\"C4II.TXT\" leads to the program's own file \"RUNEMILLINI.TXT\"", "C4II.TXT", "RUNEMILLINI.TXT"},
        {"C5", "\"C5.TXT\" leads to the program's own file \"RUNEMILLINI2.TXT\"", "C5.TXT", "RUNEMILLINI2.TXT"},
        {"Chain", "own file \"RUNEMILLINI2.TXT\"", "Chain.TXT", "C5.TXT"},
        {"Dangling", "own file \"UNDO7.TXT\"", "Dangling.TXT", "undo7.txt"},
        {"Out", "\"OutII.TXT\" leads outside the working folder", "OutII.TXT", "../runemill-nowhere/OutII.TXT"},
        {"Far", "\"FarII.TXT\" leads outside the working folder", "FarII.TXT", "OutII.TXT"},  // to "Out"'s link
        {"Fresh", nullptr, "Fresh.TXT", "Fresher.TXT"},
        {"RUNEMILLINI", "RUNEMILLINI.TXT"},
        {"runemillini2", "RUNEMILLINI2.TXT"},
        {"RunemillIni3", "RUNEMILLINI3.TXT"},
        {"RUNEMILLINI3LABB", "RunemillIni3LAbb.TXT"},
        {"runemillini3lbed", "RunemillIni3LBed.TXT"},
        {"UndoIni3", "UNDOINI3.TXT"},
        {"UNDOINI3LABB", "UNDOIni3LAbb.TXT"},
        {"undoini3lbed", "UNDOIni3LBed.TXT"},
        {"Undo0", "UNDO0.TXT"},
        {"UNDO9", "UNDO9.TXT"},
        {"subtext", "SUBTEXT.TXT"},
        {longest + "x", "longer than 255 bytes"},
        {std::string(125, '\xe9'), "longer than 255 bytes"},  // 250 bytes in UTF-8
    };
    std::filesystem::create_hard_link(store::kOptionsFile, "HardII.TXT");
    EXPECT_TRUE(SetFilesRefusal("Hard"));
    for (const Case& c : cases) {
        if (c.link) std::filesystem::create_symlink(c.target, c.link);
        auto why = TitleRefusal(c.title);
        if (!why) why = SetFilesRefusal(c.title);
        if (!c.reasonPart) {
            EXPECT_FALSE(why) << "\"" << c.title << "\" refused: " << why.value_or("");
        } else {
            ASSERT_TRUE(why) << "\"" << c.title << "\" was taken";
            EXPECT_NE(why->find(c.reasonPart), std::string::npos) << *why;
        }
    }
}

TEST(SetTitles, ANewTitleMayShareAnotherSetsFilesButNotCrossThem) {
    auto titles = defaultTitles();
    titles[2] = "Greek";
    EXPECT_FALSE(NewTitleRefusal("Greek", titles, 1));  // equal titles share both files
    EXPECT_FALSE(NewTitleRefusal("Custom3", titles, 1));
    // "GreekII.TXT" is the options copy of "Greek": it cannot be an assignment copy too.
    const auto crossing = NewTitleRefusal("GREEKII", titles, 1);
    ASSERT_TRUE(crossing);
    EXPECT_NE(crossing->find("\"Greek\""), std::string::npos) << *crossing;
    titles[2] = "GreekII";
    EXPECT_TRUE(NewTitleRefusal("gREEK", titles, 1));  // "gREEKII.TXT" against "GreekII.TXT"
    // The set's own old title does not count: its files go with the rename.
    titles[1] = "A";
    EXPECT_FALSE(NewTitleRefusal("AII", titles, 1));
    EXPECT_TRUE(NewTitleRefusal("AII", titles, 3));
    // The plain checks come first.
    EXPECT_TRUE(NewTitleRefusal("RUNEMILLINI2", titles, 1));
}

TEST(SetFiles, CreatingKeepsExistingContentAndLengthDecidesWhetherASetIsStored) {
    WriteFile("Old.TXT", "0123456789");
    EXPECT_FALSE(CreateSetFiles("Old"));
    EXPECT_FALSE(CreateSetFiles("New"));
    EXPECT_EQ(ReadFile("Old.TXT"), "0123456789");
    EXPECT_EQ(ReadFile("OldII.TXT"), "");
    EXPECT_EQ(ReadFile("New.TXT"), "");
    EXPECT_EQ(ReadFile("NewII.TXT"), "");
    std::int64_t length = -1;
    EXPECT_FALSE(SetLength("Old", length));
    EXPECT_EQ(length, 10);
    EXPECT_FALSE(SetLength("New", length));
    EXPECT_EQ(length, 0);
}

TEST(SetFiles, SavingCopiesBothSettingsFilesByteForByte) {
    settingsFiles();
    WriteFile("My set.TXT", "older set");
    EXPECT_FALSE(SaveSettingsAsSet("My set"));
    EXPECT_EQ(ReadFile("My set.TXT"), ReadFile(store::kAssignmentFile));
    EXPECT_EQ(ReadFile("My setII.TXT"), ReadFile(store::kOptionsFile));
}

TEST(SetFiles, RenamingMovesBothFilesAndRemovesTheOldOnes) {
    settingsFiles();
    WriteFile("Old.TXT", "assignment");
    WriteFile("OldII.TXT", "options");
    EXPECT_FALSE(RenameSetFiles("Old", "My set", 1));
    EXPECT_EQ(FolderContents(), renamedFolder("My set", {{"My set.TXT", "assignment"}, {"My setII.TXT", "options"}}));
}

// A set holds the settings: its files are no more open to others than the
// settings files they copy, also where they were made empty beforehand.
TEST(SetFiles, SetFilesKeepTheSettingsPrivate) {
    const mode_t oldMask = ::umask(022);
    settingsFiles();
    ASSERT_EQ(::chmod(store::kAssignmentFile, 0600) | ::chmod(store::kOptionsFile, 0600), 0);
    const auto private_ = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    const auto modes = [](const std::string& title) {
        return QFile::permissions(QString::fromStdString(title + ".TXT")) |
               QFile::permissions(QString::fromStdString(title + "II.TXT"));
    };
    EXPECT_FALSE(CreateSetFiles("Custom1") || SaveSettingsAsSet("Custom1"));
    EXPECT_EQ(modes("Custom1"), private_);
    EXPECT_FALSE(RenameSetFiles("Custom1", "Kset", 1));
    EXPECT_EQ(modes("Kset"), private_);
    ::umask(oldMask);
}

TEST(SetFiles, RenamingOntoAnotherSetsTitleOverwritesItsFiles) {
    WriteFile("Old.TXT", "assignment");
    WriteFile("OldII.TXT", "options");
    WriteFile("Other.TXT", "other assignment");
    WriteFile("OtherII.TXT", "other options");
    settingsFiles();
    EXPECT_FALSE(RenameSetFiles("Old", "Other", 1));
    EXPECT_EQ(FolderContents(), renamedFolder("Other", {{"Other.TXT", "assignment"}, {"OtherII.TXT", "options"}}));
}

TEST(SetFiles, RenamingToATitleThatEndsInIIKeepsTheFileBothNamesUse) {
    // "AII.TXT" is the old options copy and the new assignment copy.
    WriteFile("A.TXT", "assignment");
    WriteFile("AII.TXT", "options");
    settingsFiles();
    EXPECT_FALSE(RenameSetFiles("A", "AII", 1));
    EXPECT_EQ(FolderContents(), renamedFolder("AII", {{"AII.TXT", "assignment"}, {"AIIII.TXT", "options"}}));
}

TEST(SetFiles, ACaseOnlyRenameOnACaseBlindFileSystemKeepsTheSet) {
    CaseBlindFolder caseBlind;
    WriteFile("MY SET.TXT", "assignment");  // how the folder stores "My set.TXT"
    WriteFile("MY SETII.TXT", "options");
    settingsFiles();
    EXPECT_FALSE(RenameSetFiles("My set", "MY SET", 1));
    EXPECT_EQ(FolderContents(), renamedFolder("MY SET", {{"MY SET.TXT", "assignment"}, {"MY SETII.TXT", "options"}}));
}

TEST(SetFiles, AFailureAtAnyStepOfAFileOperationChangesNoFile) {
    const auto withSets = [] {
        settingsFiles();
        WriteFile("Old.TXT", "assignment");
        WriteFile("OldII.TXT", "options");
        WriteFile("Other.TXT", "other assignment");
        WriteFile("OtherII.TXT", "other options");
        WriteFile("Half.TXT", "no options copy yet");
    };
    EXPECT_EQ(ExpectEachFailureChangesNothing(withSets, [] { return CreateSetFiles("Fresh"); }), 2);
    EXPECT_EQ(ExpectEachFailureChangesNothing(withSets, [] { return CreateSetFiles("Half"); }), 2);
    EXPECT_GE(ExpectEachFailureChangesNothing(withSets, [] { return SaveSettingsAsSet("Old"); }), 6);
    EXPECT_GE(ExpectEachFailureChangesNothing(withSets, [] { return SaveSettingsAsSet("Fresh"); }), 6);
    EXPECT_GE(ExpectEachFailureChangesNothing(withSets, [] { return RenameSetFiles("Old", "Fresh", 1); }), 6);
    EXPECT_GE(ExpectEachFailureChangesNothing(withSets, [] { return RenameSetFiles("Old", "Other", 1); }), 8);
    EXPECT_GE(ExpectEachFailureChangesNothing(
                  withSets, [] { return WriteSettingsFromSet(numberedLines(194), defaultTitles(), 9, true); }),
              6);
    {
        CaseBlindFolder caseBlind;
        const auto caseBlindSet = [] {
            WriteFile("OLD.TXT", "assignment");
            WriteFile("OLDII.TXT", "options");
            settingsFiles();
        };
        EXPECT_EQ(ExpectEachFailureChangesNothing(caseBlindSet, [] { return RenameSetFiles("Old", "OLD", 1); }), 10);
    }
}

// Ended at any instant and started again: the set's files and its title line
// are all as before the rename or all as after it.
TEST(SetFiles, ARenameEndedAtAnyStepIsWholeAfterTheNextStart) {
    const auto prepare = [] {
        settingsFiles();
        WriteFile("Old.TXT", "assignment");
        WriteFile("OldII.TXT", "options");
    };
    testing_support::ExpectEachCrashLeavesAllOldOrAllNew(prepare, [] { RenameSetFiles("Old", "Fresh", 1); });
}

TEST(SetFiles, AFileTheSystemRefusesIsReportedByName) {
    settingsFiles();
    WriteFile("Old.TXT", "assignment");
    WriteFile("OldII.TXT", "options");
    const std::string tooLong(260, 'x');
    const auto before = FolderContents();
    const auto failure = RenameSetFiles("Old", tooLong, 1);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, tooLong + ".TXT");
    EXPECT_FALSE(failure->reason.empty());
    EXPECT_EQ(FolderContents(), before);
}

TEST(SetLoading, AnAssignmentCopyGivesItsFirst194LinesOrSaysWhyNot) {
    struct Case {
        std::string content;
        SetData outcome;
    };
    const Case cases[] = {
        {"", SetData::FileEmpty},
        {"0123456789", SetData::DataCorrupt},  // ten bytes, one line
        {"\r\n", SetData::DataCorrupt},
        {numberedLines(193), SetData::DataCorrupt},
        {numberedLines(194), SetData::Read},
        {numberedLines(194).substr(0, numberedLines(194).size() - 2), SetData::Read},  // no end after line 194
        {numberedLines(250), SetData::Read},
    };
    std::string expected = numberedLines(194);
    expected.resize(expected.size() - 2);
    for (const Case& c : cases) {
        WriteFile("S.TXT", c.content);
        SetLines lines;
        ASSERT_FALSE(ReadSetLines("S", lines));
        EXPECT_EQ(lines.outcome, c.outcome) << c.content.size() << " bytes";
        EXPECT_EQ(lines.text, c.outcome == SetData::Read ? expected : "") << c.content.size() << " bytes";
    }
    SetLines none;
    const auto missing = ReadSetLines("None", none);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->file, "None.TXT");
}

TEST(SetLoading, AnOptionsCopyGivesSizeAndLockUniLikeTheSettingsReader) {
    struct Case {
        std::string content;
        std::int16_t size;
        bool lockUni;
    };
    // Before each case: size 12, LOCK UNI on.
    const Case cases[] = {
        {"", 12, false},               // no line: the size stays, LOCK UNI off
        {" 14 \r\n", 14, false},       // one line
        {"0\r\n", 12, false},          // 0 is no size
        {"\r\n1\r\n", 12, true},       // empty size line
        {" 9 \r\n1\r\n0\r\n0\r\n", 9, true},
        {"10\r\n0\r\n", 10, false},
        {"2.5\r\n", 2, false},         // a fraction rounds half to even, as the settings reader does
        {"3.5\r\n", 4, false},
        {"14pt\r\n", 12, false},       // not a number as a whole
        {"-3\r\n", 12, false},
        {"16384\r\n", 12, false},      // twice the size must fit RTF's \fs
        {"16383\r\n", 16383, false},
        {"20\r\nyes\r\n", 20, true},   // any other LOCK UNI line keeps it
    };
    for (const Case& c : cases) {
        WriteFile("SII.TXT", c.content);
        OptionsCopy copy;
        ASSERT_FALSE(ReadOptionsCopy("S", copy));
        std::int16_t size = 12;
        bool lockUni = true;
        TakeOptionsCopy(copy, size, lockUni);
        EXPECT_EQ(size, c.size) << c.content;
        EXPECT_EQ(lockUni, c.lockUni) << c.content;
    }
}

TEST(SetLoading, TheSettingsFilesTakeTheSetAndKeepTheCurrentTitles) {
    // A set saved under other titles, with more lines than it needs.
    std::string set;
    for (int k = 1; k <= 192; ++k) set += (k == 3 ? "\\u1070?" : "") + std::string("\r\n");
    set += "Times New Roman\r\n 204 \r\n";
    for (int i = 1; i <= 16; ++i) set += "Saved" + std::to_string(i) + "\r\n";
    WriteFile("Cyr.TXT", set);
    WriteFile("CyrII.TXT", " 20 \r\n1\r\n1\r\n1\r\n");
    WriteFile(store::kOptionsFile, " 12 \r\n0\r\n1\r\n1\r\n");

    SetLines lines;
    ASSERT_FALSE(ReadSetLines("Cyr", lines));
    ASSERT_EQ(lines.outcome, SetData::Read);
    auto titles = defaultTitles();
    titles[4] = "Mine";
    ASSERT_FALSE(WriteSettingsFromSet(lines.text, titles, 20, true));

    std::string expected = set.substr(0, set.find("Saved1"));
    for (int i = 1; i <= 16; ++i) expected += titles[static_cast<size_t>(i)] + "\r\n";
    EXPECT_EQ(ReadFile(store::kAssignmentFile), expected);
    EXPECT_EQ(ReadFile(store::kOptionsFile), " 20 \r\n1\r\n");

    store::AbbRetrace = store::BedRetrace = true;
    store::ReadSettingsFiles();
    EXPECT_EQ(store::CellCode[66], "\\u1070?");
    EXPECT_EQ(store::CellFontName, "Times New Roman");
    EXPECT_EQ(store::CellCharSet, 204);
    EXPECT_EQ(store::CellFontSize, 20);
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(store::CustomTitle[4], "Mine");
    EXPECT_FALSE(store::AbbRetrace);  // the lines after LOCK UNI read as "0"
    EXPECT_FALSE(store::BedRetrace);
    EXPECT_EQ(OptionsFileFromSet(-5, false), "-5 \r\n0\r\n");
}
