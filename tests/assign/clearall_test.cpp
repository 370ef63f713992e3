// "Clear All" in the real pages.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "assign/charass.h"
#include "assign/charass2.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/testing.h"

using testing_support::MsgBoxRecorder;
using testing_support::ReadFile;
using testing_support::ReadLines;

namespace {

// A table on both pages, an own font and titles, stored; then the start.
void startWithTable(bool lockUni = false) {
    store::CellCode[65] = "\\u913?";
    store::CellCode[100] = "\\u1046?";
    store::CellCode[140] = "\\u1488?";
    store::CellCode[250] = "\\u12354?";
    store::CellFontName = "Times New Roman";
    store::CellFontSize = 15;
    store::LockUni = lockUni;
    store::CustomTitle[2] = "Runes";
    ASSERT_TRUE(store::WriteSettingsFiles());
    for (int code : store::CellCodes()) store::CellCode[static_cast<size_t>(code)].clear();
    CharAss().ReadINI();
    CharAss().Show();
}

platform::RichTextBox* box(int code) {
    return code < 133 ? CharAss().CellBox(code) : CharAss2().CellBox(code);
}

int writes() { return store::Io.writes; }

void clickClearAll() { testing_support::ClickButton(CharAss(), QStringLiteral("Clear All")); }

void expectAllEmpty() {
    for (int code : store::CellCodes()) {
        EXPECT_EQ(store::CellCode[static_cast<size_t>(code)], "") << code;
        EXPECT_EQ(box(code)->TextW(), "") << code;
    }
}

}  // namespace

TEST(ClearAll, AsksAndNoChangesNothing) {
    startWithTable();
    CharAss2().Show();
    const auto cells = store::CellCode;
    const auto file = ReadFile(store::kAssignmentFile);
    const auto io = store::Io;
    MsgBoxRecorder boxes;
    boxes.Answer(dlg::No);
    clickClearAll();

    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Do you really want to clear all symbols?");
    EXPECT_EQ(boxes.calls()[0].title, "Delete all symbols");
    EXPECT_EQ(boxes.calls()[0].style, dlg::YesNo);  // Yes the default, no icon
    EXPECT_EQ(store::CellCode, cells);
    EXPECT_EQ(box(65)->TextW(), QString::fromUtf8("Α"));
    EXPECT_EQ(box(250)->TextW(), QString::fromUtf8("あ"));
    EXPECT_EQ(ReadFile(store::kAssignmentFile), file);
    EXPECT_EQ(store::Io.reads, io.reads);
    EXPECT_EQ(store::Io.writes, io.writes);
}

TEST(ClearAll, WithPageTwoLoadedEmptiesEverythingAndWritesNothing) {
    startWithTable();
    CharAss2().Show();
    const auto assignment = ReadFile(store::kAssignmentFile);
    const auto options = ReadFile(store::kOptionsFile);
    const int before = writes();
    MsgBoxRecorder boxes;
    clickClearAll();
    expectAllEmpty();
    EXPECT_EQ(writes(), before);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
    EXPECT_EQ(ReadFile(store::kOptionsFile), options);
}

TEST(ClearAll, BeforePageTwoWasLoadedLoadsItFromTheStoredTableFirst) {
    startWithTable();
    ASSERT_FALSE(CharAss2().IsLoaded());
    // Held only in memory: page 2's load brings the stored cell back first.
    store::CellCode[140] = "\\u1489?";
    const int before = writes();
    MsgBoxRecorder boxes;
    clickClearAll();
    EXPECT_EQ(writes(), before + 1);
    EXPECT_TRUE(CharAss2().IsLoaded());
    EXPECT_FALSE(CharAss2().Window()->isVisible());
    const auto lines = ReadLines(store::kAssignmentFile);
    EXPECT_EQ(lines[140 - 64], "\\u1488?");
    EXPECT_EQ(lines[250 - 64], "\\u12354?");
    expectAllEmpty();
}

TEST(ClearAll, SaveRefreshRightAfterStoresAnEmptyTable) {
    for (bool lockUni : {false, true}) {
        SCOPED_TRACE(lockUni);
        platform::DestroyAllForms();
        store::ResetSharedState();
        startWithTable(lockUni);
        MsgBoxRecorder boxes;
        clickClearAll();
        CharAss().Save()->click();
        const auto lines = ReadLines(store::kAssignmentFile);
        ASSERT_EQ(lines.size(), 210u);
        for (size_t k = 0; k < 192; ++k) EXPECT_EQ(lines[k], "") << k + 1;
        EXPECT_EQ(lines[192], "Times New Roman");
        EXPECT_EQ(lines[195], "Runes");
        expectAllEmpty();
    }
}

TEST(ClearAll, KeepsTheFontLockUniTitlesAndFontLabels) {
    startWithTable(true);
    CharAss2().Show();
    const QString label4 = CharAss().Label4()->text();
    const QString label2 = CharAss2().Label2()->text();
    MsgBoxRecorder boxes;
    clickClearAll();
    EXPECT_EQ(store::CellFontName, "Times New Roman");
    EXPECT_EQ(store::CellFontSize, 15);
    EXPECT_TRUE(store::LockUni);
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    EXPECT_EQ(store::CustomTitle[2], "Runes");
    EXPECT_EQ(CharAss().Custom(2)->text(), "Runes");
    EXPECT_EQ(CharAss().Label4()->text(), label4);
    EXPECT_EQ(CharAss2().Label2()->text(), label2);
    EXPECT_EQ(label2, "Times New Roman 0\r\n15");
    EXPECT_EQ(box(100)->font().family().toStdString(), "Times New Roman");
}
