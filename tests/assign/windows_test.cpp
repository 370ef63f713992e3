#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QWidget>

#include "assign/cells.h"
#include "assign/charass.h"
#include "assign/charass2.h"
#include "assign/pages.h"
#include "assign/settings_io.h"
#include "assign/zoom.h"
#include "files/ansi.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::ReadLines;

namespace {

// The start of the program as far as the assignment windows see it: the main
// window's load calls ReadINI, which loads page 1 hidden.
void start() { CharAss().ReadINI(); }

// What the user does when pasting: the box's content replaced by a character.
void paste(platform::RichTextBox* box, const QString& text) {
    box->selectAll();
    box->textCursor().insertText(text);
}

void storeTable(const std::map<int, std::string>& cells) {
    for (auto& [code, cell] : cells) store::CellCode[static_cast<size_t>(code)] = cell;
    ASSERT_TRUE(store::WriteSettingsFiles());
    for (int code : store::CellCodes()) store::CellCode[static_cast<size_t>(code)].clear();
}

std::string cellLine(int code) { return ReadLines(store::kAssignmentFile).at(static_cast<size_t>(code - 64)); }

}  // namespace

TEST(AssignWindows, EveryCellStandsWhereItsPageSays) {
    const auto check = [](assign::CellWindow& page, const std::vector<assign::CellPlace>& places) {
        for (const auto& p : places) {
            QLabel* label = page.CellLabel(p.code);
            platform::RichTextBox* box = page.CellBox(p.code);
            EXPECT_EQ(label->geometry(), QRect(dlg::TwipsToPixelsX(p.label.left), dlg::TwipsToPixelsY(p.label.top),
                                               dlg::TwipsToPixelsX(p.label.width), dlg::TwipsToPixelsY(p.label.height)))
                << p.code;
            EXPECT_EQ(box->geometry(), QRect(dlg::TwipsToPixelsX(p.box.left), dlg::TwipsToPixelsY(p.box.top),
                                             dlg::TwipsToPixelsX(p.box.width), dlg::TwipsToPixelsY(p.box.height)))
                << p.code;
            EXPECT_EQ(label->font().family(), "Courier New");
            EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 11.25);
            EXPECT_EQ(label->frameShape(), QFrame::Box);
        }
    };
    check(CharAss(), assign::Page1Cells());
    check(CharAss2(), assign::Page2Cells());
    EXPECT_EQ(CharAss().Window()->size(), QSize(dlg::TwipsToPixelsX(11850), dlg::TwipsToPixelsY(7665)));
    EXPECT_EQ(CharAss2().Window()->size(), QSize(dlg::TwipsToPixelsX(11205), dlg::TwipsToPixelsY(8040)));
}

TEST(AssignWindows, BothPagesStackTheEarlierListedBoxOnTopAndEveryBoxAboveTheOtherControls) {
    const auto check = [](assign::CellWindow& page, const std::vector<int>& list) {
        std::map<QObject*, int> codeOf;
        for (int code : list) codeOf[page.CellBox(code)] = code;
        std::vector<int> bottomUp;
        int lastOther = -1, firstBox = -1;
        const QObjectList& children = page.Window()->children();
        for (int i = 0; i < children.size(); ++i) {
            if (codeOf.count(children[i])) {
                bottomUp.push_back(codeOf[children[i]]);
                if (firstBox < 0) firstBox = i;
            } else if (children[i]->isWidgetType()) {
                lastOther = i;
            }
        }
        EXPECT_EQ(bottomUp, std::vector<int>(list.rbegin(), list.rend()));
        EXPECT_LT(lastOther, firstBox);
    };
    check(CharAss(), assign::BoxList());
    check(CharAss2(), assign::Page2StackingOrder());
}

TEST(AssignWindows, FillsCaptionTheCellsAndNameTheSymbolFont) {
    store::CellFontName = "Times New Roman";
    store::CellCharSet = 177;
    store::CellFontSize = 14;
    ASSERT_TRUE(store::WriteSettingsFiles());
    start();
    EXPECT_EQ(CharAss().Label4()->text(), "Times New Roman Char. Set 177 Size 14");
    EXPECT_EQ(CharAss().Label4()->font().family(), "Times New Roman");
    EXPECT_EQ(CharAss().Label4()->font().pointSizeF(), 14);
    EXPECT_EQ(CharAss().CellLabel(64)->text(), " @  64");
    EXPECT_EQ(CharAss().CellLabel(132)->text(), QString::fromUtf8(" \u201e 132"));
    EXPECT_EQ(CharAss().CellBox(64)->font().family().toStdString(), "Times New Roman");

    EXPECT_EQ(CharAss2().Label2()->text(), "Times New Roman 177\r\n14");
    EXPECT_EQ(CharAss2().Label2()->font().family(), "Times New Roman");
    EXPECT_EQ(CharAss2().Label2()->font().pointSizeF(), CharAss2().Window()->font().pointSizeF());
    EXPECT_EQ(CharAss2().CellLabel(255)->text(), QString::fromUtf8(" \u00ff 255"));
}

TEST(PageLife, PageTwoIsMadeWithoutLoadingAndLoadsOnItsFirstTouch) {
    start();
    CharAss2Form& page2 = CharAss2();
    EXPECT_FALSE(page2.IsLoaded());
    QLabel* label = nullptr;
    EXPECT_EQ(ioOf([&] { label = page2.Label2(); }), (Counts{1, 1}));
    EXPECT_TRUE(page2.IsLoaded());
    EXPECT_FALSE(page2.Window()->isVisible());
    EXPECT_EQ(label->text(), "Arial 0\r\n12");
}

TEST(PageLife, ClosingUnloadsAndTheNextUseLoadsAfresh) {
    storeTable({{70, "\\u1070?"}});
    start();
    CharAss().Show();
    CharAss().Label5()->setText("changed");
    // Held only in memory, as Clear All leaves it.
    store::CellCode[70].clear();
    EXPECT_EQ(ioOf([] { CharAss().Window()->close(); }), (Counts{0, 0}));
    EXPECT_FALSE(CharAss().IsLoaded());

    EXPECT_EQ(ioOf([] { CharAss().Show(); }), (Counts{1, 1}));
    EXPECT_EQ(CharAss().LoadCount(), 2);
    EXPECT_TRUE(CharAss().Label5()->text().startsWith("Double click"));
    EXPECT_EQ(store::CellCode[70], "\\u1070?");
    EXPECT_EQ(CharAss().CellBox(70)->TextW(), QString::fromUtf8("Ю"));
}

TEST(Protocol, AStartReadsTwiceAndWritesOnce) {
    storeTable({{65, "\\u913?"}});
    EXPECT_EQ(ioOf(start), (Counts{2, 1}));
    EXPECT_TRUE(CharAss().IsLoaded());
    EXPECT_FALSE(CharAss().Window()->isVisible());
    EXPECT_FALSE(CharAss2().IsLoaded());
    EXPECT_EQ(CharAss().CellBox(65)->TextW(), QString::fromUtf8("Α"));
    EXPECT_EQ(CharAss().Custom(3)->text(), "Custom3");
}

TEST(Protocol, TheFirstAnsi2LoadsPageTwoOnceAndShowsIt) {
    start();
    EXPECT_EQ(ioOf([] { CharAss().Command1()->click(); }), (Counts{1, 1}));
    EXPECT_TRUE(CharAss2().Window()->isVisible());
    EXPECT_EQ(CharAss2().Label2()->text(), "Arial 0\r\n12");
    EXPECT_EQ(ioOf([] { CharAss().Command1_Click(); }), (Counts{0, 0}));
    EXPECT_EQ(CharAss2().LoadCount(), 1);
    CharAss2().Command1()->click();
    EXPECT_TRUE(CharAss().Window()->isVisible());
}

TEST(Protocol, SaveRefreshReadsTwiceAndWritesFourTimes) {
    start();
    CharAss2().Show();
    EXPECT_EQ(ioOf([] { CharAss().Save()->click(); }), (Counts{2, 4}));
    EXPECT_EQ(CharAss2().LoadCount(), 1);
}

TEST(Protocol, SaveRefreshLoadsAnUntouchedPageTwoInsideItsFourthStep) {
    start();
    EXPECT_EQ(ioOf([] { CharAss().Save_Click(); }), (Counts{3, 5}));
    EXPECT_EQ(CharAss2().LoadCount(), 1);
    EXPECT_FALSE(CharAss2().Window()->isVisible());
}

TEST(Protocol, SaveRefreshEndsAlikeWhetherPageTwoWasLoadedOrNot) {
    const std::map<int, std::string> table{{65, "\\u913?"}, {140, "\\'e0"}, {200, " x"}, {255, "\\u-1?"}};
    store::CellFontName = "Times New Roman";
    store::CellCharSet = 177;
    storeTable(table);
    start();
    CharAss().Save_Click();
    const auto untouched = ReadFile(store::kAssignmentFile);
    const auto cells = store::CellCode;

    platform::DestroyAllForms();
    storeTable(table);
    start();
    CharAss2().Show();
    CharAss().Save_Click();
    EXPECT_EQ(ReadFile(store::kAssignmentFile), untouched);
    EXPECT_EQ(store::CellCode, cells);
}

TEST(Protocol, AFillOfAnUntouchedPageTwoFillsItTwiceAndWritesOnce) {
    start();
    EXPECT_EQ(ioOf([] { CharAss2().FillFields(); }), (Counts{2, 1}));
    EXPECT_EQ(CharAss2().LoadCount(), 1);
}

TEST(Protocol, OnlyTheSecondHalfOfPageTwoWrites) {
    start();
    CharAss2().Label2();
    EXPECT_EQ(ioOf([] { CharAss2().GetSigns1(); }), (Counts{0, 0}));
    EXPECT_EQ(ioOf([] { CharAss2().GetSigns2(); }), (Counts{0, 1}));
    EXPECT_EQ(ioOf([] { CharAss().GetSignsPage1(); }), (Counts{0, 1}));
}

TEST(Protocol, PageTwosSaveRefreshIsPageOnes) {
    start();
    CharAss2().Show();
    CharAss().Window()->close();
    const Counts io = ioOf([] { CharAss2().Save()->click(); });
    // Page 1, closed, is loaded again by the first touch of its cells.
    EXPECT_EQ(io, (Counts{3, 5}));
    EXPECT_TRUE(CharAss().IsLoaded());
}

// A preset or a custom set writes the files first; the refresh then shows
// them on both pages and drops what only the boxes held.
TEST(Protocol, TheRefreshesAfterAWriteShowTheStoredTableOnBothPages) {
    for (auto refresh : {assign::PresetRefresh, assign::CustomSetRefresh}) {
        platform::DestroyAllForms();
        start();
        paste(CharAss().CellBox(66), QString::fromUtf8("Ж"));
        store::CellFontName = "Times New Roman";
        storeTable({{65, "\\u913?"}, {200, "\\u1488?"}});
        // Page 2 untouched: its load runs inside the refresh, reading once and
        // writing once more.
        EXPECT_EQ(ioOf(refresh), (Counts{3, 3}));
        EXPECT_FALSE(CharAss2().Window()->isVisible());
        EXPECT_EQ(CharAss().CellBox(65)->TextW(), QString::fromUtf8("Α"));
        EXPECT_EQ(CharAss().CellBox(66)->TextW(), QString());
        EXPECT_EQ(CharAss2().CellBox(200)->TextW(), QString::fromUtf8("א"));
        EXPECT_EQ(CharAss2().Label2()->text(), "Times New Roman 0\r\n12");
        EXPECT_EQ(store::CellCode[200], "\\u1488?");
        EXPECT_EQ(ioOf(refresh), (Counts{2, 2}));
    }
}

TEST(Protocol, CollectingAllCellsKeepsWhatTheBoxesHoldAndWritesIt) {
    start();
    CharAss2().Show();
    paste(CharAss().CellBox(70), QString::fromUtf8("Ж"));
    CharAss2().CellBox(250)->SetText("U+042E");
    EXPECT_EQ(ioOf(assign::CollectAllCells), (Counts{0, 2}));
    EXPECT_EQ(cellLine(70), "\\u1046?");
    EXPECT_EQ(cellLine(250), "\\u1070?");
}

TEST(Protocol, ASaveRefreshWhoseWriteFailsEndsThereAndKeepsTheEdits) {
    start();
    CharAss2().Show();
    const auto assignment = ReadFile(store::kAssignmentFile), options = ReadFile(store::kOptionsFile);
    paste(CharAss().CellBox(70), QString::fromUtf8("Ж"));
    paste(CharAss2().CellBox(140), QString::fromUtf8("א"));
    testing_support::MsgBoxRecorder boxes;
    {
        testing_support::DiskFull full(8);
        CharAss().Save_Click();
    }
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
    EXPECT_EQ(ReadFile(store::kOptionsFile), options);
    // No fill re-read the old files over the edits.
    EXPECT_EQ(store::CellCode[70], "\\u1046?");
    EXPECT_EQ(CharAss().CellBox(70)->TextW(), QString::fromUtf8("Ж"));
    EXPECT_EQ(CharAss2().CellBox(140)->TextW(), QString::fromUtf8("א"));
    // Clicked again while the disk is still full: the click says so again,
    // once, rather than doing nothing without a word.
    {
        testing_support::DiskFull full(8);
        CharAss().Save_Click();
        CharAss2().Save()->click();
    }
    EXPECT_EQ(boxes.count(), 3u);
    EXPECT_EQ(CharAss().CellBox(70)->TextW(), QString::fromUtf8("Ж"));
    // Once the disk takes them again, the next Save / Refresh stores both.
    CharAss().Save_Click();
    EXPECT_EQ(cellLine(70), "\\u1046?");
    EXPECT_EQ(cellLine(140), "\\u1488?");
}

TEST(Editing, PastedSymbolsAndTypedCodesBecomeCellStringsOnSaveRefresh) {
    start();
    CharAss2().Show();
    paste(CharAss().CellBox(70), QString::fromUtf8("Ж"));
    CharAss().CellBox(71)->SetText("U+042E");
    paste(CharAss2().CellBox(140), QString::fromUtf8("א"));
    CharAss2().CellBox(250)->SetText("U+8000");
    CharAss2().Save_Click();
    EXPECT_EQ(store::CellCode[70], "\\u1046?");
    EXPECT_EQ(store::CellCode[71], "\\u1070?");
    EXPECT_EQ(store::CellCode[140], "\\u1488?");
    EXPECT_EQ(store::CellCode[250], "\\u-32768?");
    EXPECT_EQ(cellLine(71), "\\u1070?");
    EXPECT_EQ(cellLine(250), "\\u-32768?");
    EXPECT_EQ(CharAss().CellBox(71)->TextW(), QString::fromUtf8("Ю"));
    EXPECT_EQ(CharAss2().CellBox(250)->TextW(), QString(QChar(0x8000)));
}

TEST(Editing, LockUniKeepsUnicodeCellsThatTheFontsCharacterSetHolds) {
    // In a Cyrillic font the box writes "Ю" as the byte "\'de".
    store::CellCharSet = 204;
    store::LockUni = true;
    storeTable({{70, "\\u1070?"}, {71, "\\u1070?"}});
    start();
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    EXPECT_EQ(store::CellCode[70], "\\u1070?");
    CharAss().CellBox(71)->SetText("U+0416");
    CharAss().Save_Click();
    EXPECT_EQ(store::CellCode[70], "\\u1070?");
    EXPECT_EQ(store::CellCode[71], "\\u1046?");

    store::LockUni = false;
    CharAss().GetSignsPage1();
    EXPECT_EQ(store::CellCode[70], "\\'de");
}

TEST(Editing, ATypedCodeStaysProtectedThroughTheSecondCollection) {
    store::LockUni = true;
    ASSERT_TRUE(store::WriteSettingsFiles());
    start();
    CharAss().CellBox(90)->SetText("U+042E");
    CharAss().Save_Click();
    EXPECT_EQ(CharAss().CellBox(90)->TextW(), QString::fromUtf8("Ю"));
    EXPECT_EQ(store::CellCode[90], "\\u1070?");
}

TEST(Editing, ABoxOfSeveralParagraphsKeepsTheSettingsFileWhole) {
    start();
    paste(CharAss().CellBox(66), QString::fromUtf8("a\nb"));
    CharAss().Save_Click();
    EXPECT_EQ(store::CellCode[66], " a\\par b");
    const auto lines = ReadLines(store::kAssignmentFile);
    ASSERT_EQ(lines.size(), 210u);
    EXPECT_EQ(lines[2], " a\\par b");
    EXPECT_EQ(lines[192], "Arial");
    EXPECT_EQ(CharAss().CellBox(66)->TextW(), "a\r\nb");
}

TEST(Editing, ALineBreakAtTheEndStaysThroughSaveRefreshEvenAfterTheOwnLetter) {
    storeTable({{66, " x\\par "}});
    start();
    CharAss().Show();
    paste(CharAss().CellBox(86), QStringLiteral("V\n"));
    // Every Return typed into an empty cell is a line break, wherever it stands.
    const std::pair<const char*, const char*> typed[] = {
        {"\rS", "\\par S"}, {"Q\r\rR", " Q\\par \\par R"}, {"\r", "\\par"}};
    for (int i = 0; i < 3; ++i) QTest::keyClicks(CharAss().CellBox(67 + i), typed[i].first);
    CharAss().Save_Click();
    EXPECT_EQ(cellLine(66), " x\\par");
    EXPECT_EQ(cellLine(86), " V\\par");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(cellLine(67 + i), typed[i].second) << typed[i].first;
}

TEST(Editing, CollectedBoxesShowTheirWholeTextAtTheSymbolSize) {
    store::CellFontSize = 20;
    storeTable({{66, " x"}});
    start();
    platform::RichTextBox* box = CharAss().CellBox(66);
    EXPECT_EQ(box->SelLength(), 1);
    EXPECT_NE(box->TextRTF().find("\\fs40 x"), std::string::npos);
}
