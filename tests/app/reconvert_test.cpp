#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <stdexcept>

#include "app/form1.h"
#include "app/form1_reconvert.h"
#include "convert/abbrev_pass.h"
#include "convert/bed_list.h"
#include "files/ansi.h"
#include "files/textfile.h"
#include "form1_testing.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/controls.h"
#include "support/testing.h"

using testing_support::Named;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// The main window with symbols for "a", "b" and "@".
Form1Form& withSymbols() {
    Form1Form& f = loaded();
    store::CellCode['@'] = "\\u1488?";
    return f;
}

void reconvert() { Named<QPushButton>(Form1(), "Reconvert")->click(); }

// Types the code text, converts back and gives what the upper window holds.
std::string roundTrip(const std::string& code) {
    Form1().TEX()->SetText(code);
    reconvert();
    return Form1().TEX()->Text();
}

std::vector<std::string> lines(int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; ++i) out.push_back("k" + std::to_string(i) + "=" + std::string(static_cast<size_t>(1 + i % 9), 'v'));
    return out;
}

// Throws at the named point of the next "Reconvert"; first calls `before`.
class ForcedFailure {
public:
    explicit ForcedFailure(const char* at, std::function<void()> before = {}) {
        app::SetReconvertFaultProbe([at = std::string(at), before](const char* point) {
            if (at != point) return;
            if (before) before();
            throw std::runtime_error("forced");
        });
    }
    ~ForcedFailure() { app::SetReconvertFaultProbe({}); }
};

}  // namespace

TEST(Reconvert, AnEmptyLowerWindowDoesNothing) {
    Form1Form& f = withSymbols();
    f.SavedRtbCaret = 42;
    const QString hint = f.Label1()->text();
    const int undo = f.UndoIndex;
    reconvert();
    EXPECT_EQ(f.SavedRtbCaret, 42);
    EXPECT_EQ(f.UndoIndex, undo);
    EXPECT_EQ(f.Label1()->text(), hint);
    EXPECT_FALSE(ReadFile(store::kBedTraceFile));
}

TEST(Reconvert, TypedCodeTextComesBack) {
    withSymbols();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ab", "ab"},
        {"x #ab# y", "x #ab# y"},
        {"ab\r\ncd", "ab\r\ncd"},
        {" #a#", " #a#"},
        // Results the conversion defines, though they differ from what was typed.
        {"#a##b#", "#ab#"},
        {"#a# #b#", "#a b#"},
        {"#@#", "@"},
        {"x  ", "x "},
        {"b\r\n ", "b\r\n "},
        {"b\r\n  ", "b\r\n "},
        {"b\r\n", "b\r\n"},
        // No list (the trace file was missing and is now empty): stars stay.
        {"a ** b *1*", "a ** b *1*"},
    };
    for (const auto& [typed, back] : cases) EXPECT_EQ(roundTrip(typed), back) << typed;
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "");
}

TEST(Reconvert, EverySettingOfTheUpperTextIsAConversionWithItsUndoSlot) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("x");
    const int undo = f.UndoIndex;
    reconvert();
    // The body begins with the size word's blank: set once, trimmed once.
    EXPECT_EQ(f.UndoIndex, undo + 2);
    EXPECT_EQ(ReadFile("UNDO" + std::to_string(undo + 1) + ".TXT"), " x\r\n");
    EXPECT_EQ(ReadFile("UNDO" + std::to_string(undo + 2) + ".TXT"), "x\r\n");
    EXPECT_EQ(f.RTB()->Text(), "x");
}

TEST(Reconvert, ExpansionsComeBackAsTheirAbbreviations) {
    WriteFile(store::kAbbTraceFile, "ty=Truly yours\r\nmu=\\'b5\r\n");
    WriteFile(store::kBedTraceFile, "ty=Truly yours\r\nmu=\\'b5\r\n");
    Form1Form& f = withSymbols();
    EXPECT_EQ(roundTrip("*ty* and *mu*\r\n*ty*, *mu*"), "*ty* and *mu*\r\n*ty, mu*");
    EXPECT_EQ(f.BedLineCount, 2);
    EXPECT_EQ(store::BedTracedVersion, store::AbbListVersion);
}

TEST(Reconvert, EveryCharacterOfAUnicodeTableComesBack) {
    withSymbols();
    std::string quoted;
    int i = 0;
    for (int code : store::CellCodes()) {
        store::CellCode[static_cast<size_t>(code)] = "\\u" + std::to_string(0x400 + i++) + "?";
        quoted += static_cast<char>(code);
    }
    const std::string code = "x #" + quoted + "# y";
    EXPECT_EQ(roundTrip(code), code);
}

TEST(Reconvert, ByteEscapesOfACharset177FontWithPlainTextBeside) {
    Form1Form& f = withSymbols();
    store::CellFontName = "Times New Roman";
    store::CellCharSet = 177;
    store::CellFontSize = 14;
    for (int code = 'a'; code <= 'z'; ++code) {
        char escape[8];
        snprintf(escape, sizeof escape, "\\'%02x", 0xe0 + code - 'a');
        store::CellCode[static_cast<size_t>(code)] = escape;
    }
    EXPECT_EQ(roundTrip("shalom #abz# x\r\n#e#"), "shalom #abz# x\r\n#e#");

    // Text of a character-set-0 font pasted beside the symbols.
    f.RTB()->SetTextRTF("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset177 Times New Roman;}{\\f1\\fnil\\fcharset0 "
                        "Arial;}}\\f0\\fs28 \\'e0\\'e1 \\f1 d\\'e4t\\'e0}");
    reconvert();
    EXPECT_EQ(f.TEX()->Text(), "#ab# d\xe4t\xe0");
}

TEST(Reconvert, CaretsFollowTheLowerCaret) {
    Form1Form& f = withSymbols();
    f.Show();
    f.TEX()->SetText("xyz");
    f.RTB()->SetSelStart(1);
    reconvert();
    EXPECT_EQ(f.SavedRtbCaret, 1);
    EXPECT_EQ(f.TEX()->SelStart(), 1);
    EXPECT_EQ(f.TEX()->SelLength(), 1);
    EXPECT_EQ(f.RTB()->SelStart(), 1);
    EXPECT_EQ(f.RTB()->SelLength(), 1);
    EXPECT_EQ(f.Window()->focusWidget(), f.TEX());
}

TEST(Reconvert, TheLowerWindowIsNormalisedFirst) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("{\\b x}{\\i y}");
    reconvert();
    EXPECT_EQ(f.TEX()->Text(), "xy");
}

TEST(Reconvert, ALongListIsRetracedOnlyWhenTheUserAgrees) {
    Form1Form& f = withSymbols();
    const std::vector<std::string> list = lines(1000);
    WriteFile(store::kBedTraceFile, textfile::joinLines(list));
    store::BedRetrace = true;
    std::vector<std::string> captions;
    dlg::SetMsgBoxHook([&](const dlg::MsgBoxCall& call) {
        EXPECT_EQ(call.prompt, "Retrace array? Chose YES only if you altered Abb list.");
        EXPECT_EQ(call.title, "Runemill");
        EXPECT_EQ(call.style, dlg::YesNo);
        captions.push_back(ansi::fromQString(f.Label1()->text()));
        return static_cast<int>(dlg::No);
    });
    const QString hint = f.Label1()->text();
    EXPECT_EQ(roundTrip("ab"), "ab");
    EXPECT_EQ(captions, std::vector<std::string>{"Preparing 1000 list entries for work... Please wait!"});
    EXPECT_EQ(f.Label1()->text(), hint);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), textfile::joinLines(list));
    // Asked once per list version.
    EXPECT_EQ(roundTrip("ab"), "ab");
    EXPECT_EQ(captions.size(), 1u);
}

TEST(Reconvert, NothingThatRunsWhileTheListLoadsDisturbsIt) {
    Form1Form& f = withSymbols();
    WriteFile(store::kBedTraceFile, textfile::joinLines(lines(1000)));
    store::BedRetrace = true;
    int questions = 0;
    dlg::SetMsgBoxHook([&](const dlg::MsgBoxCall&) {
        ++questions;
        f.Reconvert_Click();
        f.TEX()->SetText("zz");
        return static_cast<int>(dlg::Yes);
    });
    f.TEX()->SetText("x#ab#");
    reconvert();
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(f.TEX()->Text(), "x#ab#");
    EXPECT_EQ(f.RTB()->TextW(), QStringLiteral("x\u03B1\u03B2"));
}

TEST(Reconvert, AFailureAnsweredNoLeavesEverythingAsItIs) {
    WriteFile(store::kBedTraceFile, "x=ab\r\ny=cd\r\n");
    Form1Form& f = withSymbols();
    f.TEX()->SetText("ab");
    const std::string snapshot = *ReadFile("RTB.RTF");
    testing_support::MsgBoxRecorder boxes;
    boxes.Answer(dlg::No);
    {
        ForcedFailure failure("recognition");
        reconvert();
    }
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Please, retrace array. Continue?");
    EXPECT_EQ(boxes.calls()[0].title, "Array out of range");
    EXPECT_EQ(boxes.calls()[0].style, dlg::YesNo | dlg::DefaultButton1);
    EXPECT_EQ(f.TEX()->Text(), "ab");
    EXPECT_EQ(f.RTB()->Text(), "ab");
    EXPECT_EQ(ReadFile("RTB.RTF"), snapshot);
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"x=ab", "y=cd", ""}));
}

TEST(Reconvert, AFailureAfterTheResultKeepsTheUntrimmedText) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("x");
    testing_support::MsgBoxRecorder boxes;
    boxes.Answer(dlg::No);
    ForcedFailure failure("result");
    reconvert();
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(f.TEX()->Text(), " x");
}

TEST(Reconvert, AFailureAnsweredYesRestoresTheLowerWindowAndReloadsTheList) {
    WriteFile(store::kBedTraceFile, "x=ab\r\ny=cd\r\n");
    Form1Form& f = withSymbols();
    f.TEX()->SetText("ab");
    std::string shownAtQuestion;
    dlg::SetMsgBoxHook([&](const dlg::MsgBoxCall&) {
        shownAtQuestion = f.RTB()->TextRTF();
        return static_cast<int>(dlg::Yes);
    });
    {
        // The file changes under the loaded list: the reload takes its order.
        ForcedFailure failure("recognition", [] { WriteFile(store::kBedTraceFile, "a=b\r\nc=ddd\r\ne=ff\r\n"); });
        reconvert();
    }
    EXPECT_EQ(f.RTB()->TextRTF(), shownAtQuestion);
    EXPECT_EQ(ReadFile("RTB.RTF"), shownAtQuestion.substr(0, shownAtQuestion.size() - 1));
    EXPECT_EQ(f.TEX()->Text(), "ab");
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"a=b", "c=ddd", ""}));

    // A file that has become shorter fills what it can.
    {
        ForcedFailure failure("recognition", [] { WriteFile(store::kBedTraceFile, "q=r\r\n"); });
        reconvert();
    }
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"q=r", "", ""}));
}

TEST(Reconvert, ARecoveryThatCannotSaveTheLowerWindowStillRestoresIt) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("x#ab#");
    ASSERT_TRUE(QDir().remove("RTB.RTF"));
    ASSERT_TRUE(QDir().mkdir("RTB.RTF"));
    std::string shownAtQuestion;
    std::vector<std::string> prompts;
    dlg::SetMsgBoxHook([&](const dlg::MsgBoxCall& call) {
        if (prompts.empty()) shownAtQuestion = f.RTB()->TextRTF();
        prompts.push_back(call.prompt);
        return static_cast<int>(dlg::Yes);
    });
    ForcedFailure failure("recognition");
    reconvert();
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].find("RTB.RTF"), std::string::npos);
    EXPECT_EQ(f.RTB()->TextRTF(), shownAtQuestion);
}

TEST(Reconvert, AnUnreadableListIsReportedAndChangesNothing) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("ab");
    ASSERT_TRUE(QDir().mkdir(store::kBedTraceFile));
    testing_support::MsgBoxRecorder boxes;
    reconvert();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("could not be read"), std::string::npos);
    EXPECT_EQ(f.TEX()->Text(), "ab");
}

TEST(Reconvert, TheListIsReadAgainOnlyWhenItsVersionChanged) {
    Form1Form& f = withSymbols();
    store::AbbListVersion = 2;
    WriteFile(store::kBedTraceFile, "\r\n");
    EXPECT_EQ(roundTrip("ab"), "ab");
    EXPECT_EQ(store::BedTracedVersion, 0);  // too short: read again next time
    WriteFile(store::kBedTraceFile, "x=ab\r\n");
    roundTrip("ab");
    EXPECT_EQ(store::BedTracedVersion, 2);
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"x=ab", ""}));
    WriteFile(store::kBedTraceFile, "new=y\r\n");
    roundTrip("ab");
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"x=ab", ""}));
}

TEST(Reconvert, ASortedListThatCannotBeSavedIsReportedAndUsed) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("ab");
    std::vector<std::string> list = lines(200);
    WriteFile(store::kBedTraceFile, textfile::joinLines(list));
    store::BedRetrace = true;
    testing_support::MsgBoxRecorder boxes;
    {
        testing_support::DiskFull full(static_cast<unsigned long>(textfile::joinLines(list).size()));
        reconvert();
    }
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("keeps its former content"), std::string::npos);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), textfile::joinLines(list));
    list.push_back("");
    convert::TraceBedList(list);
    EXPECT_EQ(f.BedList, list);
}

TEST(Reconvert, ARecoveryThatCannotReadTheListAgainKeepsTheSessionsList) {
    WriteFile(store::kBedTraceFile, "x=ab\r\ny=cd\r\n");
    Form1Form& f = withSymbols();
    f.TEX()->SetText("ab");
    testing_support::MsgBoxRecorder boxes;
    {
        ForcedFailure failure("recognition", [] {
            QDir().remove(store::kBedTraceFile);
            QDir().mkdir(store::kBedTraceFile);
        });
        reconvert();
    }
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_NE(boxes.calls()[1].prompt.find("could not be read again"), std::string::npos);
    EXPECT_EQ(f.BedList, (std::vector<std::string>{"y=cd", "x=ab", ""}));
}

// Meanings "*": every list entry puts stars around every star of the text.
TEST(Reconvert, MeaningsThatExpandIntoEachOtherStopTheCommandAndChangeNothing) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("x*y #ab#");
    f.RTB()->SetSelStart(0);
    f.RTB()->SetSelLength(1);
    f.RTB()->SetSelBold(true);  // the normalisation of the command would take this back
    f.RTB()->SetSelStart(2);
    f.RTB()->SetSelLength(2);
    std::string list;
    for (int i = 0; i < 30; ++i) list.append("k").append(std::to_string(i)).append("=*\r\n");
    WriteFile(store::kBedTraceFile, list);
    store::BedRetrace = true;
    const auto files = testing_support::FolderContents();
    const std::string lower = f.RTB()->TextRTF();
    const std::string work = f.WorkRtf;
    const QString hint = f.Label1()->text();
    const int undo = f.UndoIndex;

    testing_support::MsgBoxRecorder boxes;
    reconvert();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("expand into each other"), std::string::npos);
    EXPECT_NE(boxes.calls()[0].prompt.find(std::string("\"") + store::kBedTraceFile + "\""), std::string::npos);
    EXPECT_NE(boxes.calls()[0].prompt.find("Reconvert has stopped"), std::string::npos);
    EXPECT_EQ(testing_support::FolderContents(), files);
    EXPECT_EQ(f.RTB()->TextRTF(), lower);
    EXPECT_EQ(f.RTB()->SelStart(), 2);
    EXPECT_EQ(f.RTB()->SelLength(), 2);
    EXPECT_EQ(f.TEX()->Text(), "x*y #ab#");
    EXPECT_EQ(f.WorkRtf, work);
    EXPECT_EQ(f.Label1()->text(), hint);
    EXPECT_EQ(f.UndoIndex, undo);
    EXPECT_EQ(store::BedTracedVersion, 0);

    // With the list mended the command goes through, and the traced list is
    // written back then.
    WriteFile(store::kBedTraceFile, "k=zz\r\n");
    reconvert();
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(f.TEX()->Text(), "x*y #ab#");
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "k=zz\r\n\r\n");
}

TEST(Reconvert, CodingsThatExpandIntoEachOtherStopTheCommandToo) {
    Form1Form& f = withSymbols();
    f.TEX()->SetText("x#y");
    for (int code = 65; code < 95; ++code)
        if (code != 92) store::CellCode[static_cast<size_t>(code)].assign(1, '#');
    WriteFile(store::kBedTraceFile, "");  // no list: the load only creates a missing one
    const auto files = testing_support::FolderContents();
    const std::string lower = f.RTB()->TextRTF();
    testing_support::MsgBoxRecorder boxes;
    reconvert();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_NE(boxes.calls()[0].prompt.find("\"RUNEMILLINI.TXT\""), std::string::npos);
    EXPECT_EQ(testing_support::FolderContents(), files);
    EXPECT_EQ(f.RTB()->TextRTF(), lower);
    EXPECT_EQ(f.TEX()->Text(), "x#y");
}
