#include <gtest/gtest.h>

#include <QDir>
#include <string>
#include <vector>

#include "convert/bed_list.h"
#include "platform/textfile.h"
#include "store/store.h"
#include "support/testing.h"

namespace {

using testing_support::ReadFile;
using testing_support::WriteFile;

// A window stand-in that keeps the caption and logs what the load does.
struct FakeWindow {
    std::string caption = "hint";
    std::vector<std::string> log;
    convert::BedListUi ui() {
        return {[this] { return caption; },
                [this](const std::string& c) {
                    caption = c;
                    log.push_back("caption " + c);
                },
                [this](const std::string& prompt) {
                    log.push_back("ask " + prompt);
                    return answer;
                },
                [this] { log.push_back("pump"); }};
    }
    int answer = dlg::Yes;
};

std::string Lines(const std::vector<std::string>& lines) { return textfile::joinLines(lines); }

std::vector<std::string> NumberedList(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back(std::to_string(i).insert(0, 1, 'a') + "=" + std::string(static_cast<size_t>(i % 7), 'm'));
    return lines;
}

class BedListLoad : public ::testing::Test {
protected:
    void SetUp() override { store::AbbListVersion = 2; }
    convert::BedLoad Load() { return convert::LoadBedList(list, count, window.ui()); }
    std::vector<std::string> list = {"old=x", ""};
    std::int32_t count = 1;
    FakeWindow window;
};

}  // namespace

TEST(BedListTrace, LongestMeaningFirstInTheLoopsTieOrder) {
    std::vector<std::string> list = {"x=ab", "y=cd", "z=e", ""};
    convert::TraceBedList(list);
    EXPECT_EQ(list, (std::vector<std::string>{"y=cd", "x=ab", "z=e", ""}));
    EXPECT_EQ(convert::MeaningLength("abcd"), 4);
    EXPECT_EQ(convert::MeaningLength("a=b=c"), 3);
    EXPECT_EQ(convert::MeaningLength("ab="), 0);
}

TEST_F(BedListLoad, EqualVersionsKeepTheListWithoutReadingTheFile) {
    store::BedTracedVersion = 2;
    WriteFile(convert::kBedTraceFile, Lines({"new=y"}));
    EXPECT_EQ(Load(), convert::BedLoad::Kept);
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
}

TEST_F(BedListLoad, MissingOrShortFileIsCreatedAndLoadedAgainNextTime) {
    EXPECT_EQ(Load(), convert::BedLoad::TooShort);
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), "");
    EXPECT_EQ(store::BedTracedVersion, 0);
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
    WriteFile(convert::kBedTraceFile, "\r\n");
    EXPECT_EQ(Load(), convert::BedLoad::TooShort);
    WriteFile(convert::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    EXPECT_EQ(Load(), convert::BedLoad::Loaded);
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", "y=cd", ""}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(store::BedTracedVersion, 2);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(BedListLoad, RetraceBelowAThousandLinesSortsAndRewritesWithoutAsking) {
    store::BedRetrace = true;
    const auto lines = NumberedList(999);
    WriteFile(convert::kBedTraceFile, Lines(lines));
    EXPECT_EQ(Load(), convert::BedLoad::Traced);
    auto expected = lines;
    expected.push_back("");
    convert::TraceBedList(expected);
    EXPECT_EQ(list, expected);
    // The command writes the file back once it has gone through.
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), Lines(lines));
    ASSERT_TRUE(convert::WriteBedTrace(list));
    EXPECT_EQ(testing_support::ReadLines(convert::kBedTraceFile).size(), 1000u);
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), Lines(expected));
    EXPECT_EQ(window.log, (std::vector<std::string>{"pump", "pump"}));
    EXPECT_EQ(window.caption, "hint");
}

TEST_F(BedListLoad, EveryRewriteAddsOneEmptyLine) {
    store::BedRetrace = true;
    WriteFile(convert::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    ASSERT_EQ(Load(), convert::BedLoad::Traced);
    ASSERT_TRUE(convert::WriteBedTrace(list));
    store::AbbListVersion = 3;
    ASSERT_EQ(Load(), convert::BedLoad::Traced);
    ASSERT_TRUE(convert::WriteBedTrace(list));
    EXPECT_EQ(count, 3);
    std::vector<std::string> expected = {"y=cd", "x=ab", "", ""};
    convert::TraceBedList(expected);
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), Lines(expected));
}

TEST_F(BedListLoad, AThousandLinesAskWithTheProgressCaption) {
    store::BedRetrace = true;
    const auto lines = NumberedList(1000);
    WriteFile(convert::kBedTraceFile, Lines(lines));
    EXPECT_EQ(Load(), convert::BedLoad::Traced);
    ASSERT_TRUE(convert::WriteBedTrace(list));
    EXPECT_EQ(window.log, (std::vector<std::string>{
                              "caption Preparing 1000 list entries for work... Please wait!",
                              "ask Retrace array? Chose YES only if you altered Abb list.", "pump", "caption hint",
                              "pump"}));
    EXPECT_EQ(testing_support::ReadLines(convert::kBedTraceFile).size(), 1001u);
}

TEST_F(BedListLoad, AnswerNoKeepsFileOrderAndAsksNoMoreForThisVersion) {
    store::BedRetrace = true;
    window.answer = dlg::No;
    const auto lines = NumberedList(1200);
    WriteFile(convert::kBedTraceFile, Lines(lines));
    EXPECT_EQ(Load(), convert::BedLoad::Loaded);
    auto expected = lines;
    expected.push_back("");
    EXPECT_EQ(list, expected);
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), Lines(lines));
    EXPECT_EQ(window.caption, "hint");
    window.log.clear();
    EXPECT_EQ(Load(), convert::BedLoad::Kept);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(BedListLoad, AFileThatCannotBeReadIsReportedAndChangesNothing) {
    testing_support::MsgBoxRecorder boxes;
    ASSERT_TRUE(QDir().mkdir(convert::kBedTraceFile));
    EXPECT_EQ(Load(), convert::BedLoad::Failed);
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("could not be read"), std::string::npos);
    EXPECT_EQ(list, (std::vector<std::string>{"old=x", ""}));
    EXPECT_EQ(store::BedTracedVersion, 0);
}

TEST_F(BedListLoad, AFileThatCannotBeWrittenKeepsItsContent) {
    testing_support::MsgBoxRecorder boxes;
    store::BedRetrace = true;
    const auto lines = NumberedList(40);
    WriteFile(convert::kBedTraceFile, Lines(lines));
    EXPECT_EQ(Load(), convert::BedLoad::Traced);
    {
        testing_support::DiskFull full(64);
        EXPECT_FALSE(convert::WriteBedTrace(list));
    }
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("keeps its former content"), std::string::npos);
    EXPECT_EQ(ReadFile(convert::kBedTraceFile), Lines(lines));
    EXPECT_EQ(list.size(), 41u);
    EXPECT_EQ(store::BedTracedVersion, 2);
}

TEST(BedListReload, FileOrderAsFarAsTheFileGoes) {
    WriteFile(convert::kBedTraceFile, Lines({"x=ab", "y=cd"}));
    std::vector<std::string> list = {"y=cd", "x=ab", "", "", ""};
    ASSERT_TRUE(convert::ReloadBedList(list, 4));
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", "y=cd", "", "", ""}));
    ASSERT_TRUE(convert::ReloadBedList(list, 1));
    EXPECT_EQ(list, (std::vector<std::string>{"x=ab", ""}));
}

TEST(BedListReload, AMissingFileIsReportedAndTheListStays) {
    testing_support::MsgBoxRecorder boxes;
    std::vector<std::string> list = {"y=cd", ""};
    EXPECT_FALSE(convert::ReloadBedList(list, 1));
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(list, (std::vector<std::string>{"y=cd", ""}));
}
