#include <gtest/gtest.h>

#include <sys/stat.h>

#include <random>
#include <string>
#include <vector>

#include "abbrev/listfiles.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "store/filenames.h"
#include "support/file_faults.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

const std::string kMu = "mu=\xB5\r\n";
const std::string kTy = "ty=Truly yours\r\n";

// The exchange loop the sort replaces, with a literal 16-bit comparison.
void literalSortList(std::vector<std::string>& lines) {
    auto less = [](const std::string& a, const std::string& b) {
        return ansi::toQString(a) < ansi::toQString(b);  // QString compares UTF-16 units
    };
    for (size_t i = 0; i < lines.size(); ++i)
        for (size_t j = 0; j < lines.size(); ++j)
            if (less(lines[i], lines[j])) std::swap(lines[i], lines[j]);
}

// The RTF text the editor control gives for paragraphs in one font and size.
std::string editorRtf(const std::string& body) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n\\uc1\\pard\\f0\\fs24" +
           body + "\\par\r\n}\r\n" + std::string(1, '\0');
}

}  // namespace

TEST(Seeding, EachFileIsSeededByItsOwnLength) {
    WriteFile(store::kListFile, "x");
    WriteFile(store::kAbbTraceFile, "\r\n");
    ASSERT_TRUE(abbrev::SeedListFiles());
    EXPECT_EQ(ReadFile(store::kListFile), "x" + kMu + kTy);  // appended to the one byte
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), "\r\n");       // two bytes stay
    EXPECT_EQ(ReadFile(store::kBedTraceFile), kTy + kMu);    // created, other order
}

TEST(Seeding, EmptyFilesGetBothEntries) {
    WriteFile(store::kListFile, "");
    WriteFile(store::kBedTraceFile, "");
    ASSERT_TRUE(abbrev::SeedListFiles());
    EXPECT_EQ(ReadFile(store::kListFile), kMu + kTy);
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), kMu + kTy);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), kTy + kMu);
}

TEST(ReadList, LinesAndTheSpareSlot) {
    WriteFile(store::kListFile, "a=1\r\nb=2\rc=3");
    EXPECT_EQ(abbrev::ReadListLines(), (std::vector<std::string>{"a=1", "b=2", "c=3", ""}));
    WriteFile(store::kListFile, "\r\n");
    EXPECT_EQ(abbrev::ReadListLines(), (std::vector<std::string>{"", ""}));
    WriteFile(store::kListFile, "");
    EXPECT_EQ(abbrev::ReadListLines(), (std::vector<std::string>{"", ""}));
}

TEST(SortList, OrderOfSixteenBitCodes) {
    // Windows-1252 byte 80 is the euro sign U+20AC, above every Latin-1 letter.
    std::vector<std::string> lines = {"b", "", "\x80", "\xFF", "B", "ab", "a", "\x81"};
    abbrev::SortList(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{"", "B", "a", "ab", "b", "\x81", "\xFF", "\x80"}));
}

TEST(SortList, MatchesTheExchangeLoopOnRandomLists) {
    std::mt19937 rng(8);
    const std::string alphabet = std::string("aAbZ~ \x80\x8D\x9F\xB5\xFF", 11);
    for (int round = 0; round < 500; ++round) {
        std::vector<std::string> lines(rng() % 30);
        for (auto& l : lines)
            for (size_t n = rng() % 5; n > 0; --n) l.push_back(alphabet[rng() % alphabet.size()]);
        auto expected = lines;
        literalSortList(expected);
        abbrev::SortList(lines);
        ASSERT_EQ(lines, expected) << "round " << round;
    }
}

TEST(DisplayDocument, UnsortedAndSortedSlots) {
    const std::string header = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 David;}}\\fs28\r\n";
    EXPECT_EQ(abbrev::ListDisplayRtf({"mu=\xB5", "ty=Truly yours", ""}, 177, "David", 14),
              header + "mu=\xB5\\par \r\nty=Truly yours\\par \r\n\r\n}\r\n");
    EXPECT_EQ(abbrev::ListDisplayRtf({"", "mu=\xB5", "ty=Truly yours"}, 177, "David", 14),
              header + "\\par \r\nmu=\xB5\\par \r\nty=Truly yours\r\n}\r\n");
}

TEST(DisplayDocument, UnbalancedBracesCannotSwallowLaterEntries) {
    EXPECT_EQ(abbrev::DisplayEntry("a=}x"), "a=\\}x");
    EXPECT_EQ(abbrev::DisplayEntry("a={x"), "a=\\{x");
    EXPECT_EQ(abbrev::DisplayEntry("a=}{x}{"), "a=\\}{x}\\{");
    EXPECT_EQ(abbrev::DisplayEntry("a=x\\"), "a=x\\\\");
    // Groups, escaped braces and escapes keep working as RTF; an entry with
    // control words is a group of its own.
    for (const char* kept : {"c=\\}\\{", "d=\\'7d", "e=\\\\{x}"})
        EXPECT_EQ(abbrev::DisplayEntry(kept), kept);
    EXPECT_EQ(abbrev::DisplayEntry("b={\\b bold}\\u1488?"), "{b={\\b bold}\\u1488?}");
    EXPECT_EQ(abbrev::DisplayEntry("a=\\*x}"), "{a=\\*x\\}}");
}

TEST(SaveCut, KeepsExactlyTheListText) {
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf(" mu=\\'b5\\par\r\nty=Truly yours"), 12),
              "mu=\\'b5\r\nty=Truly yours");
    // A first entry beginning with an escape keeps its backslash.
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf("\\u1488?=x"), 12), "\\u1488?=x");
    // The empty first paragraph of a sorted list stays one line break.
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf("\\par\r\n\\par\r\nmu=\\'b5"), 12), "\r\nmu=\\'b5");
    // One blank ends the size word; a second one belongs to the entry.
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf("  x=y"), 12), " x=y");
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf(" \\'7bx\\par\r\n\\'5c'41\\'7D=\\'7b"), 12), "\\'7bx\r\n\\'41}=\\'7b");
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf(" \\'e91\\'3d\\'0a=\\'e9"), 12), "\xe9" "1\\'3d\\'0a=\\'e9");
}

TEST(SaveCut, RefusesTextOfAnotherShape) {
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(editorRtf(" x=y"), 13), std::nullopt);  // no size tag
    std::string cut = editorRtf(" x=y");
    cut.pop_back();  // no NUL: not the control's text
    EXPECT_EQ(abbrev::ListTextFromEditorRtf(cut, 12), std::nullopt);
    EXPECT_EQ(abbrev::ListTextFromEditorRtf("fs24\\par\r\n}\r\n" + std::string(1, '\0'), 12), "");
}

TEST(CleanUp, RunsOfLineBreaks) {
    // "a", n line breaks, "b".
    auto run = [](int n) {
        std::string s = "a";
        for (int i = 0; i < n; ++i) s.append("\r\n");
        return s.append("b");
    };
    for (int n = 2; n <= 8; ++n) EXPECT_EQ(abbrev::CleanListText(run(n)), run(1)) << n;
    EXPECT_EQ(abbrev::CleanListText(run(9)), run(2));
    EXPECT_EQ(abbrev::CleanListText("a\\par\r\nb\\par \\pard c"), "a\r\nb\r\nc");
}

TEST(CleanUp, ControlWordsGoAndCharacterEscapesStay) {
    EXPECT_EQ(abbrev::CleanListText("\\rtlch\\ltrch\\lang1031 x"), " x");
    EXPECT_EQ(abbrev::CleanListText("\\f1 a\\f2b\\fs24 c"), "ab24 c");  // "\fs" loses only its "s"
    EXPECT_EQ(abbrev::CleanListText("\\kerning1\\kerning22x\\kerning3"), "x");
    EXPECT_EQ(abbrev::CleanListText("\\kerning0!"), "");
    EXPECT_EQ(abbrev::CleanListText("a\\cf0\\cell\\row b"), "a b");
    EXPECT_EQ(abbrev::CleanListText("\\'b5\\u1488?\\b0 \\i x\\]\\{\\}\\~\\"), "\\'b5\\u1488?0  x]{}~");
    EXPECT_EQ(abbrev::CleanListText("\\\\x\\ab"), "xb");
}

TEST(Undo, NoCopiesBeforeTheFirstSave) {
    EXPECT_FALSE(abbrev::HasUndoCopies());
    EXPECT_FALSE(abbrev::RestoreUndoCopies());
    EXPECT_FALSE(textfile::exists(store::kListFile));
}

TEST(Undo, TwiceEqualsOnce) {
    ASSERT_TRUE(abbrev::SeedListFiles());
    WriteFile(store::kAbbTraceFile, "traced\r\n");
    ASSERT_TRUE(abbrev::SaveList("new=entry"));
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "new=entry\r\n");
    ASSERT_TRUE(abbrev::HasUndoCopies());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(abbrev::RestoreUndoCopies());
        EXPECT_EQ(ReadFile(store::kListFile), kMu + kTy);
        EXPECT_EQ(ReadFile(store::kAbbTraceFile), "traced\r\n");
        EXPECT_EQ(ReadFile(store::kBedTraceFile), kTy + kMu);
    }
}

TEST(SaveWrite, AFullDiskLeavesEveryFileWhole) {
    const std::string old(200, 'o');
    for (const char* f : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile}) WriteFile(f, old);
    {
        testing_support::DiskFull full(250);
        EXPECT_FALSE(abbrev::SaveList(std::string(300, 'n')));
    }
    for (const char* f : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile})
        EXPECT_EQ(ReadFile(f), old) << f;
    EXPECT_FALSE(textfile::exists(store::kUndoListFile));
}

// What Save would write must open in the editor again: a text past its
// bound, in bytes or lines, changes no file.
TEST(SaveWrite, AListTheEditorCouldNotOpenAgainIsNotSaved) {
    const auto before = testing_support::FolderContents();
    const std::pair<std::string, std::string> cases[] = {
        {std::string(store::kListFileBound.bytes - 1, 'x'),
         "4194305 bytes (4.1 MB), more than the list editor holds (4 MB)"},
        {std::string(store::kListFileBound.lines, '\n'),
         "100001 lines, more than the list editor holds (100000 lines)"}};
    for (const auto& [text, why] : cases) {
        EXPECT_FALSE(abbrev::SaveList(text));
        EXPECT_EQ(textfile::lastError().toStdString(), "Cannot write \"RUNEMILLINI3.TXT\": It would hold " + why);
        EXPECT_TRUE(testing_support::FolderContents() == before);
    }
    EXPECT_TRUE(abbrev::SaveList(std::string(store::kListFileBound.bytes - 2, 'x')));
}

// A new undo copy of a private list is as private as the list.
TEST(SaveWrite, NewUndoCopiesTakeThePermissionsOfTheFilesTheyCopy) {
    WriteFile(store::kAbbTraceFile, "private");
    ASSERT_EQ(::chmod(store::kAbbTraceFile, 0600), 0);
    ASSERT_TRUE(abbrev::SaveList("new=entry"));
    struct stat st {};
    EXPECT_EQ(::stat(store::kUndoAbbTraceFile, &st) == 0 ? st.st_mode & 0777 : 0, 0600u);
}

// Ended at any instant and started again: the list, its trace copies and the
// undo copies are all as before the save or all as after it.
TEST(SaveWrite, ASaveEndedAtAnyStepIsWholeAfterTheNextStart) {
    const auto prepare = [] {
        for (const char* f : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile, store::kUndoListFile,
                              store::kUndoAbbTraceFile, store::kUndoBedTraceFile})
            WriteFile(f, f);
    };
    testing_support::ExpectEachCrashLeavesAllOldOrAllNew(prepare, [] { abbrev::SaveList("new=entry"); });
}

TEST(Databases, SaveAsNamesFromTheChosenName) {
    ASSERT_TRUE(abbrev::SeedListFiles());
    const auto base = abbrev::DatabaseBaseForSave("GreekL.TXT");
    ASSERT_EQ(base, "GreekL");
    ASSERT_TRUE(abbrev::SaveDatabase(*base));
    EXPECT_EQ(ReadFile("GreekLL.TXT"), kMu + kTy);
    EXPECT_EQ(ReadFile("GreekLA.TXT"), kMu + kTy);
    EXPECT_EQ(ReadFile("GreekLB.TXT"), kTy + kMu);
    // A name typed without ".TXT" is the base as it stands; ".TXT" in any case is cut.
    EXPECT_EQ(abbrev::DatabaseBaseForSave("/db/Greek"), "/db/Greek");
    EXPECT_EQ(abbrev::DatabaseBaseForSave("abc"), "abc");
    EXPECT_EQ(abbrev::DatabaseBaseForSave("/db/Greek.txt"), "/db/Greek");
    EXPECT_EQ(abbrev::DatabaseBaseForSave("/db/GreekL.Txt"), "/db/GreekL");
    EXPECT_EQ(abbrev::DatabaseBaseForSave("/db/Greek.RTF"), "/db/Greek.RTF");
    EXPECT_EQ(abbrev::DatabaseBaseForSave(""), std::nullopt);
}

TEST(Databases, LoadTakesTheTracesOrFillsThemFromTheList) {
    WriteFile("GreekL.TXT", "a=1\r\n");
    WriteFile("GreekA.TXT", "abb\r\n");
    WriteFile("GreekB.TXT", "\r\n");  // too short: filled from the list first
    ASSERT_TRUE(abbrev::LoadDatabase("GreekL.TXT"));
    EXPECT_EQ(ReadFile(store::kListFile), "a=1\r\n");
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), "abb\r\n");
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "a=1\r\n");
    EXPECT_EQ(ReadFile("GreekB.TXT"), "a=1\r\n");
}

TEST(Databases, AFailedLoadChangesNoWorkingFile) {
    ASSERT_TRUE(abbrev::SeedListFiles());
    EXPECT_FALSE(abbrev::LoadDatabase("MissingL.TXT"));
    EXPECT_EQ(ReadFile(store::kListFile), kMu + kTy);
    EXPECT_FALSE(textfile::exists("MissingA.TXT"));
}
