#include "abbrev/tracefiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <string>
#include <vector>

#include "convert/abbrev_pass.h"
#include "convert/bed_list.h"
#include "files/textfile.h"
#include "store/filenames.h"
#include "support/testing.h"

using abbrev::ListLoadResult;
using convert::AbbTable;
using testing_support::ReadFile;
using testing_support::WriteFile;
using Status = ListLoadResult::Status;

namespace {

// A window stand-in that keeps a caption and logs what a load does.
struct FakeWindow {
    std::string caption = "hint";
    std::string savedCaption;
    std::vector<std::string> log;
    std::vector<std::string> progress;
    std::vector<std::string> questions;
    int pumps = 0;
    bool answer = true;
    abbrev::ListLoadUi ui() {
        return {[this](const std::string& text) {
                    progress.push_back(text);
                    savedCaption = caption;
                    caption = text;
                    log.push_back("caption " + text);
                },
                [this] {
                    caption = savedCaption;
                    log.push_back("caption " + caption);
                },
                [this](const std::string& prompt, const std::string& title) {
                    questions.push_back(title + "|" + prompt);
                    log.push_back("ask " + prompt);
                    return answer;
                },
                [this] {
                    ++pumps;
                    log.push_back("pump");
                }};
    }
};

std::string listFile(int lines) {
    std::string s;
    for (int i = 0; i < lines; ++i) s += (i % 2 ? "abc" : "a") + std::to_string(i) + "=m\r\n";
    return s;
}

std::string Lines(const std::vector<std::string>& lines) { return textfile::joinLines(lines); }

std::vector<std::string> NumberedList(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back(std::to_string(i).insert(0, 1, 'a') + "=" + std::string(static_cast<size_t>(i % 7), 'm'));
    return lines;
}

class BedListLoad : public ::testing::Test {
protected:
    ListLoadResult Load(bool retrace) { return abbrev::LoadBedList(list, count, retrace, window.ui()); }
    std::vector<std::string> list = {"old=x", ""};
    std::int32_t count = 1;
    FakeWindow window;
};

}  // namespace

TEST(LoadAbbTraceFile, AFileUnderThreeBytesIsNotUsable) {
    FakeWindow log;
    AbbTable table;
    EXPECT_FALSE(abbrev::LoadAbbTraceFile(table, true, log.ui()).usable());
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), "");  // created empty
    WriteFile(store::kAbbTraceFile, "\r\n");
    EXPECT_EQ(abbrev::LoadAbbTraceFile(table, true, log.ui()).status, Status::TooShort);
    EXPECT_TRUE(log.progress.empty());
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), "\r\n");
}

TEST(LoadAbbTraceFile, ASmallListIsTracedWithoutAQuestionAndGainsAnEmptyLine) {
    WriteFile(store::kAbbTraceFile, listFile(12));
    FakeWindow log;
    AbbTable table;
    const ListLoadResult r = abbrev::LoadAbbTraceFile(table, true, log.ui());
    EXPECT_TRUE(r.usable());
    EXPECT_TRUE(r.traced);
    EXPECT_TRUE(r.failure.empty());
    EXPECT_EQ(log.progress, std::vector<std::string>{"Preparing 12 entries in the Abb list for work. Please wait!"});
    EXPECT_TRUE(log.questions.empty());
    EXPECT_EQ(log.pumps, 1);
    // The conversion writes the file back once it has gone through.
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), listFile(12));
    EXPECT_EQ(abbrev::WriteAbbTraceFile(table), "");
    const auto lines = textfile::readLines(store::kAbbTraceFile).value();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(lines.front().substr(0, 3), "abc");
    EXPECT_EQ(table.Lines(), lines);
    EXPECT_EQ(ReadFile(store::kAbbTraceFile)->substr(ReadFile(store::kAbbTraceFile)->size() - 4), "\r\n\r\n");
}

TEST(LoadAbbTraceFile, WithoutRetraceTheFileOrderIsUsedAndTheFileLeftAlone) {
    WriteFile(store::kAbbTraceFile, "a=1\rbb=2\nx\r\n");
    FakeWindow log;
    AbbTable table;
    EXPECT_TRUE(abbrev::LoadAbbTraceFile(table, false, log.ui()).usable());
    // A lone CR or a lone LF ends a line, as CR LF does.
    EXPECT_EQ(table.Lines(), (std::vector<std::string>{"a=1", "bb=2", "x", ""}));
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), "a=1\rbb=2\nx\r\n");
    EXPECT_EQ(log.pumps, 0);
}

TEST(LoadAbbTraceFile, ALongListIsTracedOnlyWhenTheUserAgrees) {
    WriteFile(store::kAbbTraceFile, listFile(1000));
    FakeWindow log;
    log.answer = false;
    AbbTable table;
    const ListLoadResult no = abbrev::LoadAbbTraceFile(table, true, log.ui());
    EXPECT_TRUE(no.usable());
    EXPECT_FALSE(no.traced);
    ASSERT_EQ(log.questions.size(), 1u);
    EXPECT_EQ(log.questions[0].substr(0, 44), "Retrace Abb list?|Retrace array? To save tim");
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), listFile(1000));
    EXPECT_EQ(table.Lines().front(), "a0=m");
    EXPECT_EQ(table.Lines().size(), 1001u);

    log.answer = true;
    EXPECT_TRUE(abbrev::LoadAbbTraceFile(table, true, log.ui()).traced);
    EXPECT_EQ(log.questions.size(), 2u);
    EXPECT_EQ(table.Lines().front().substr(0, 3), "abc");
    EXPECT_EQ(abbrev::WriteAbbTraceFile(table), "");
    EXPECT_EQ(textfile::readLines(store::kAbbTraceFile)->size(), 1001u);
}

TEST(LoadAbbTraceFile, ATraceThatCannotBeWrittenIsReportedAndStillUsed) {
    WriteFile(store::kAbbTraceFile, listFile(12));
    FakeWindow log;
    AbbTable table;
    const ListLoadResult r = abbrev::LoadAbbTraceFile(table, true, log.ui());
    std::string failure;
    {
        testing_support::DiskFull full(16);
        failure = abbrev::WriteAbbTraceFile(table);
    }
    EXPECT_TRUE(r.usable());
    EXPECT_NE(failure.find(store::kAbbTraceFile), std::string::npos);
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), listFile(12));
    EXPECT_EQ(table.Lines().front().substr(0, 3), "abc");
}

// A trace copy past its bound is no list for either conversion: the failure
// names its size and the bound, and the list of the session stays.
TEST_F(BedListLoad, ATraceCopyPastItsBoundGivesNoListAndSaysWhy) {
    const std::string why = "\": It holds 200001 lines, more than the program reads of a trace copy of the list "
                            "(200000 lines)";
    for (const char* name : {store::kAbbTraceFile, store::kBedTraceFile})
        WriteFile(name, std::string(store::kTraceFileBound.lines + 1, '\n'));
    AbbTable table;
    EXPECT_EQ(abbrev::LoadAbbTraceFile(table, true, window.ui()).failure, "Cannot read \"RunemillIni3LAbb.TXT" + why);
    EXPECT_EQ(Load(true).failure, "Cannot read \"RunemillIni3LBed.TXT" + why);
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
}

TEST_F(BedListLoad, AMissingOrShortFileIsCreatedAndGivesNoList) {
    EXPECT_EQ(Load(false).status, Status::TooShort);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "");
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
    WriteFile(store::kBedTraceFile, "\r\n");
    EXPECT_EQ(Load(false).status, Status::TooShort);
    WriteFile(store::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    EXPECT_EQ(Load(false).status, Status::Loaded);
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", "y=cd", ""}));
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(BedListLoad, RetraceBelowAThousandLinesSortsAndRewritesWithoutAsking) {
    const auto lines = NumberedList(999);
    WriteFile(store::kBedTraceFile, Lines(lines));
    EXPECT_TRUE(Load(true).traced);
    auto expected = lines;
    expected.push_back("");
    convert::TraceBedList(expected);
    EXPECT_EQ(list, expected);
    // Reconvert writes the file back once it has gone through.
    EXPECT_EQ(ReadFile(store::kBedTraceFile), Lines(lines));
    EXPECT_EQ(abbrev::WriteBedTraceFile(list), "");
    EXPECT_EQ(testing_support::ReadLines(store::kBedTraceFile).size(), 1000u);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), Lines(expected));
    EXPECT_EQ(window.log, (std::vector<std::string>{"pump", "pump"}));
    EXPECT_EQ(window.caption, "hint");
}

TEST_F(BedListLoad, EveryRewriteAddsOneEmptyLine) {
    WriteFile(store::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    ASSERT_TRUE(Load(true).traced);
    ASSERT_EQ(abbrev::WriteBedTraceFile(list), "");
    ASSERT_TRUE(Load(true).traced);
    ASSERT_EQ(abbrev::WriteBedTraceFile(list), "");
    EXPECT_EQ(count, 3);
    std::vector<std::string> expected = {"y=cd", "x=ab", "", ""};
    convert::TraceBedList(expected);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), Lines(expected));
}

TEST_F(BedListLoad, AThousandLinesAskWithTheProgressCaption) {
    const auto lines = NumberedList(1000);
    WriteFile(store::kBedTraceFile, Lines(lines));
    EXPECT_EQ(Load(true).status, Status::Loaded);
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "caption Preparing 1000 list entries for work... Please wait!",
                              "ask Retrace array? Chose YES only if you altered Abb list.", "pump", "caption hint",
                              "pump"}));
    EXPECT_EQ(window.questions[0].substr(0, 1), "|");  // no title of its own
    ASSERT_EQ(abbrev::WriteBedTraceFile(list), "");
    EXPECT_EQ(testing_support::ReadLines(store::kBedTraceFile).size(), 1001u);
}

TEST_F(BedListLoad, AnswerNoKeepsFileOrder) {
    window.answer = false;
    const auto lines = NumberedList(1200);
    WriteFile(store::kBedTraceFile, Lines(lines));
    const ListLoadResult r = Load(true);
    EXPECT_EQ(r.status, Status::Loaded);
    EXPECT_FALSE(r.traced);
    auto expected = lines;
    expected.push_back("");
    EXPECT_EQ(list, expected);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), Lines(lines));
    EXPECT_EQ(window.caption, "hint");
}

TEST_F(BedListLoad, AFileThatCannotBeReadChangesNothing) {
    ASSERT_TRUE(QDir().mkdir(store::kBedTraceFile));
    const ListLoadResult r = Load(true);
    EXPECT_EQ(r.status, Status::Unreadable);
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
    EXPECT_EQ(count, 1);
}

TEST_F(BedListLoad, AFileThatCannotBeWrittenKeepsItsContent) {
    const auto lines = NumberedList(40);
    WriteFile(store::kBedTraceFile, Lines(lines));
    const ListLoadResult r = Load(true);
    std::string failure;
    {
        testing_support::DiskFull full(64);
        failure = abbrev::WriteBedTraceFile(list);
    }
    EXPECT_EQ(r.status, Status::Loaded);
    EXPECT_NE(failure.find(store::kBedTraceFile), std::string::npos);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), Lines(lines));
    EXPECT_EQ(list.size(), 41u);
}

TEST(BedListReload, FileOrderAsFarAsTheFileGoes) {
    WriteFile(store::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    std::vector<std::string> list = {"y=cd", "x=ab", "", "", ""};
    ASSERT_TRUE(abbrev::ReloadBedList(list, 4).usable());
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", "y=cd", "", "", ""}));
    ASSERT_TRUE(abbrev::ReloadBedList(list, 1).usable());
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", ""}));
}

TEST(BedListReload, AMissingFileLeavesTheList) {
    std::vector<std::string> list = {"y=cd", ""};
    const ListLoadResult r = abbrev::ReloadBedList(list, 1);
    EXPECT_EQ(r.status, Status::Unreadable);
    EXPECT_FALSE(r.failure.empty());
    EXPECT_EQ(list, (std::vector<std::string>{"y=cd", ""}));
}
