#include "app/form1.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include "assign/charass.h"
#include "convert/abbrev_pass.h"
#include "platform/dialogs.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "form1_testing.h"
#include "support/controls.h"
#include "support/testing.h"

using testing_support::Named;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

const std::string kHead = "{\\rtf1\\unicode\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\fs24 ";

void type(const QString& keys) {
    for (const QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, c == u'\r' ? Qt::Key_Return : Qt::Key_A, Qt::NoModifier, QString(c));
        QApplication::sendEvent(Form1().TEX(), &press);
    }
}

void click(const char* button) { Named<QPushButton>(Form1(), button)->click(); }

QWidget* nextTabStop(QWidget* w) {
    do {
        w = w->nextInFocusChain();
    } while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy());
    return w;
}

// A file name taken by a folder cannot be written as a file.
void blockFiles(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        QFile::remove(name);
        QDir().mkdir(name);
    }
}
void unblockFiles(std::initializer_list<const char*> names) {
    for (const char* name : names) QDir().rmdir(name);
}

int undoSlotsOnDisk() {
    int n = 0;
    for (int i = 0; i < 10; ++i) n += ReadFile("UNDO" + std::to_string(i) + ".TXT").has_value();
    return n;
}

}  // namespace

TEST(Form1Window, HasItsControlsWithTheirCaptionsAndDesignSizes) {
    Form1Form& f = loaded();
    EXPECT_EQ(f.Window()->windowTitle(), "Runemill");
    EXPECT_EQ(f.Label1()->text(), "Quote text to be changed in ##. But first assign characters");
    EXPECT_EQ(Named<QPushButton>(f, "Quit")->text(), "Exit");
    EXPECT_EQ(Named<QPushButton>(f, "Command2")->text(), "Assign characters");
    EXPECT_EQ(Named<QPushButton>(f, "SelAllRTB")->text(), "] [");
    EXPECT_FALSE(Named<QPushButton>(f, "CutTEX")->icon().isNull());
    EXPECT_EQ(f.Timer1()->interval(), 125);
    EXPECT_EQ(f.Timer2()->interval(), 150);
    EXPECT_FALSE(f.Timer1()->isActive());
    EXPECT_EQ(nextTabStop(f.TEX()), f.RTB());
    EXPECT_EQ(nextTabStop(f.RTB()), Named(f, "Reconvert"));
    EXPECT_EQ(nextTabStop(Named(f, "Reconvert")), Named(f, "Command2"));
    f.Show();
    EXPECT_EQ(f.Window()->focusWidget(), f.TEX());
}

TEST(Form1Window, FollowsItsSize) {
    Form1Form& f = loaded();
    f.Show();
    const QRect tex = f.TEX()->geometry();
    const QRect quit = Named(f, "Quit")->geometry();
    const QRect cut = Named(f, "CutRTB")->geometry();
    f.Window()->resize(f.Window()->width() + dlg::TwipsToPixelsX(1000), f.Window()->height());
    EXPECT_NEAR(f.TEX()->width() - tex.width(), dlg::TwipsToPixelsX(1000), 1);
    EXPECT_NEAR(Named(f, "Quit")->x() - quit.x(), dlg::TwipsToPixelsX(1000), 1);
    EXPECT_EQ(Named(f, "Quit")->y(), quit.y());
    EXPECT_EQ(Named(f, "CutRTB")->geometry(), cut);
    EXPECT_EQ(f.TEX()->width(), dlg::TwipsToPixelsX(f.Layout().TEX.width));
}

TEST(Form1Window, TypingShowsTheConversionAndWritesTheThreeFiles) {
    Form1Form& f = loaded();
    type("x#ab#");
    EXPECT_EQ(f.RTB()->TextW(), QStringLiteral("x\u03B1\u03B2"));
    EXPECT_EQ(f.WorkRtf, kHead + "x\\u945?\\u946?}\\par ");
    EXPECT_EQ(f.UndoIndex, 5);
    EXPECT_EQ(ReadFile("UNDO1.TXT"), "x\r\n");
    EXPECT_EQ(ReadFile("UNDO5.TXT"), "x#ab#\r\n");
    EXPECT_EQ(ReadFile("SUBTEXT.TXT"), kHead + "x\\u945?\\u946?}\r\n");
    // The snapshot holds the lower window as it was before the last change.
    platform::RichTextBox before;
    ASSERT_TRUE(before.LoadFile("RTB.RTF", store::kLowerWindowBound));
    EXPECT_EQ(before.TextW(), QStringLiteral("x#ab"));
}

TEST(Form1Window, LineBreaksBecomeParagraphMarks) {
    Form1Form& f = loaded();
    f.TEX()->SetText("ab\r\ncd");
    EXPECT_EQ(f.WorkRtf, kHead + "ab\\par cd}\\par ");
    EXPECT_EQ(f.RTB()->Text(), "ab\r\ncd");
    f.TEX()->SetText("");
    EXPECT_EQ(ReadFile("UNDO2.TXT"), "\r\n");
    EXPECT_EQ(f.WorkRtf, kHead + "}\\par ");
    // RTF typed outside quotes takes effect.
    f.TEX()->SetText("{\\b x}");
    EXPECT_EQ(f.RTB()->Text(), "x");
    EXPECT_NE(f.RTB()->TextRTF().find("\\b\\f0"), std::string::npos);
    for (const char* code : {"b\r\n ", "b\r\n", "\r\n  "}) {  // a last line empty or of blanks
        f.TEX()->SetText(code);
        EXPECT_EQ(f.RTB()->Text(), code);
    }
}

TEST(Form1Window, TheUndoRingWrapsAfterTenConversions) {
    Form1Form& f = loaded();
    for (int i = 1; i <= 11; ++i) f.TEX()->SetText(std::string("t").append(std::to_string(i)));
    EXPECT_EQ(f.UndoIndex, 1);
    EXPECT_EQ(ReadFile("UNDO1.TXT"), "t11\r\n");
    EXPECT_EQ(ReadFile("UNDO0.TXT"), "t10\r\n");
    EXPECT_EQ(ReadFile("UNDO2.TXT"), "t2\r\n");
}

TEST(Form1Window, WhileSuppressedAChangeConvertsNothing) {
    Form1Form& f = loaded();
    f.TEX()->SetText("one");
    const std::string snapshot = *ReadFile("RTB.RTF");
    f.SuppressConvert = true;
    f.TEX()->SetText("two");
    f.SuppressConvert = false;
    EXPECT_EQ(f.RTB()->Text(), "one");
    EXPECT_EQ(f.UndoIndex, 1);
    EXPECT_EQ(undoSlotsOnDisk(), 1);
    EXPECT_EQ(ReadFile("RTB.RTF"), snapshot);
}

TEST(Form1Window, ClipboardButtonsWorkOnTheirWindowAndConvertAtOnce) {
    Form1Form& f = loaded();
    f.TEX()->SetText("x#a#y");
    f.TEX()->SetSelStart(1);
    f.TEX()->SetSelLength(3);
    click("CutTEX");
    EXPECT_EQ(QApplication::clipboard()->text(), "#a#");
    EXPECT_EQ(f.TEX()->Text(), "xy");
    EXPECT_EQ(f.RTB()->Text(), "xy");
    EXPECT_EQ(f.UndoIndex, 2);
    f.TEX()->SetSelStart(2);
    click("PasteTEX");
    EXPECT_EQ(f.TEX()->Text(), "xy#a#");
    EXPECT_EQ(f.RTB()->TextW(), QStringLiteral("xy\u03B1"));

    click("SelAllTEX");
    EXPECT_EQ(f.TEX()->SelLength(), 5);
    click("CopyTEX");
    EXPECT_EQ(QApplication::clipboard()->text(), "xy#a#");
    click("SelAllRTB");
    EXPECT_EQ(f.RTB()->SelLength(), 3);
    click("CopyRTB");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("xy\u03B1"));
    f.TEX()->SetText("");
    f.TEX()->SetSelStart(0);
    click("SelAllTEX");
    EXPECT_EQ(f.TEX()->SelStart(), 0);
    EXPECT_EQ(f.TEX()->SelLength(), 0);
}

TEST(Form1Window, RightAlignmentSurvivesEveryConversion) {
    Form1Form& f = loaded();
    f.TEX()->SetText("one\r\ntwo");
    click("LeftT");
    click("RightT");
    EXPECT_TRUE(f.RightAlign);
    f.TEX()->SetText("one\r\ntwo\r\nthree");
    const std::string rtf = f.RTB()->TextRTF();
    EXPECT_NE(rtf.find("\\qr"), std::string::npos);
    EXPECT_EQ(rtf.find("\\ql"), std::string::npos);
    click("LeftT");
    EXPECT_FALSE(f.RightAlign);
    f.TEX()->SetText("one");
    EXPECT_EQ(f.RTB()->TextRTF().find("\\qr"), std::string::npos);
}

TEST(Form1Window, AbbreviationsExpandAndTheCaretFollowsIntoThem) {
    WriteFile(store::kAbbTraceFile, "ty=Truly yours\r\n");
    Form1Form& f = loaded();
    f.TEX()->SetText("a*ty*b");
    EXPECT_EQ(f.RTB()->Text(), "aTruly yoursb");
    EXPECT_EQ(f.ExpPos, (std::vector<std::int32_t>{2, 13, -9, 0}));
    EXPECT_EQ(f.ExpPosCount, 3);
    EXPECT_EQ(store::AbbTracedVersion, 1);

    f.TEX()->SetSelStart(3);
    f.TEX_Click();
    EXPECT_EQ(f.RTB()->SelStart(), 1);
    EXPECT_EQ(f.RTB()->SelLength(), 11);

    f.RTB()->SetSelStart(5);
    f.RTB()->SetSelLength(2);
    f.RTB_Click();
    EXPECT_EQ(f.TEX()->SelStart(), 2);
    EXPECT_EQ(f.TEX()->SelLength(), 2);
    EXPECT_EQ(f.RTB()->SelStart(), 5);
    EXPECT_EQ(f.RTB()->SelLength(), 2);
}

TEST(Form1Window, AClickInTheLowerWindowLeavesItsViewWhereItWas) {
    // The sync of a click passes through the ends of both texts; neither
    // window may stay scrolled there, nor jump by the way.
    Form1Form& f = loaded();
    f.Show();
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " #ab#\r\n";
    f.TEX()->SetText(text);
    QApplication::processEvents();
    QScrollBar* lower = f.RTB()->verticalScrollBar();
    QScrollBar* upper = f.TEX()->verticalScrollBar();
    ASSERT_GT(lower->maximum(), 0);
    lower->setValue(lower->maximum() / 2);
    upper->setValue(0);
    const int view = lower->value();
    // A click in the middle of what the lower window shows.
    const QPoint middle = f.RTB()->viewport()->rect().center();
    f.RTB()->setTextCursor(f.RTB()->cursorForPosition(middle));
    const int clicked = f.RTB()->SelStart();
    f.RTB_Click();
    EXPECT_EQ(lower->value(), view);
    EXPECT_EQ(f.RTB()->SelStart(), clicked);
    // The upper window shows the code character it selected, scrolled down
    // only as far as that takes.
    const QRect caret = f.TEX()->cursorRect();
    EXPECT_GE(caret.top(), 0);
    EXPECT_LE(caret.bottom(), f.TEX()->viewport()->height());
    EXPECT_GT(caret.bottom(), f.TEX()->viewport()->height() - 3 * caret.height());
}

TEST(Form1Window, AShortTraceFileExpandsNothingAndIsTriedAgain) {
    WriteFile(store::kAbbTraceFile, "\r\n");
    Form1Form& f = loaded();
    f.TEX()->SetText("*ty*");
    EXPECT_EQ(f.RTB()->Text(), "*ty*");
    EXPECT_EQ(store::AbbTracedVersion, 0);
    WriteFile(store::kAbbTraceFile, "ty=T\r\n");
    f.TEX()->SetText("*ty* ");
    EXPECT_EQ(f.RTB()->Text(), "T ");
}

TEST(Form1Window, TheQuoteIndicatorsBlinkWhileMarksRemain) {
    Form1Form& f = loaded();
    f.TEX()->SetText("x#a");
    EXPECT_TRUE(f.Timer1()->isActive());
    EXPECT_FALSE(f.Timer2()->isActive());
    f.Timer1_Timer();
    EXPECT_TRUE(f.Label7()->isHidden());
    f.Timer1_Timer();
    EXPECT_FALSE(f.Label7()->isHidden());
    f.Timer1_Timer();
    f.TEX()->SetText("x#a#");
    EXPECT_FALSE(f.Timer1()->isActive());
    EXPECT_FALSE(f.Label7()->isHidden());

    WriteFile(store::kAbbTraceFile, "\r\n");
    f.TEX()->SetText("a ** b");
    EXPECT_TRUE(f.Timer2()->isActive());
    f.Timer2_Timer();
    EXPECT_TRUE(f.Label2()->isHidden());
    EXPECT_TRUE(f.Label3()->isHidden());
    f.TEX()->SetText("a * b");
    f.Timer2_Timer();
    EXPECT_FALSE(f.Label2()->isHidden());
    EXPECT_FALSE(f.Label3()->isHidden());
    f.Timer2_Timer();
    // A "*" typed into the lower window itself makes a "**" there.
    f.RTB()->SetSelStart(2);
    f.RTB()->SetSelText("*");
    f.Timer2_Timer();
    EXPECT_TRUE(f.Label2()->isHidden());
    f.RTB()->SetSelStart(2);
    f.RTB()->SetSelLength(1);
    f.RTB()->SetSelText("");
    f.Timer2_Timer();
    EXPECT_FALSE(f.Label2()->isHidden());
    f.TEX()->SetText("ab");
    EXPECT_FALSE(f.Timer2()->isActive());
    EXPECT_FALSE(f.Label3()->isHidden());
}

TEST(Form1Window, TypingGoesOnWithoutAMessageBoxWhileFilesCannotBeWritten) {
    WriteFile(store::kAbbTraceFile, "ty=Truly yours\r\n");
    Form1Form& f = loaded();
    f.Show();
    blockFiles({"UNDO1.TXT", "RTB.RTF"});
    // Any message box here fails the test: none may take the keystrokes.
    type("ab #ab# *ty*");
    EXPECT_EQ(f.TEX()->Text(), "ab #ab# *ty*");
    EXPECT_EQ(f.RTB()->TextW(), QStringLiteral("ab \u03B1\u03B2 Truly yours"));
    const QString told = f.Label1()->text();
    EXPECT_TRUE(told.startsWith("Cannot write \"UNDO1.TXT\": ")) << told.toStdString();
    EXPECT_GT(told.size(), QString("Cannot write \"UNDO1.TXT\": ").size());  // and why
    EXPECT_EQ(f.UndoIndex, 0);  // the slot that was not written is not taken
    f.AbbModeC_Click();  // its caption waits behind the notice
    EXPECT_EQ(f.Label1()->text(), told);

    unblockFiles({"UNDO1.TXT", "RTB.RTF"});
    type("!");
    EXPECT_EQ(f.Label1()->text(), "Quote abbreviations in ** but first create and save the list");
    EXPECT_EQ(ReadFile("UNDO1.TXT"), "ab #ab# *ty*!\r\n");
}

TEST(Form1Window, AFailureStreakIsToldOnceAndTheHintComesBackAfterIt) {
    Form1Form& f = loaded();
    const QString hint = f.Label1()->text();
    blockFiles({"UNDO1.TXT", "RTB.RTF", "SUBTEXT.TXT"});
    f.TEX()->SetText("x#a#");
    EXPECT_EQ(f.RTB()->TextW(), QStringLiteral("x\u03B1"));
    EXPECT_TRUE(f.Label1()->text().startsWith("Cannot write \"UNDO1.TXT\": "));
    // While the streak lasts the line is not set again over another caption.
    f.Label1()->setText("another caption");
    f.TEX()->SetText("y");
    EXPECT_EQ(f.Label1()->text(), "another caption");
    EXPECT_EQ(f.RTB()->Text(), "y");
    // Writing works again: a caption set meanwhile is left as it is.
    unblockFiles({"UNDO1.TXT", "RTB.RTF", "SUBTEXT.TXT"});
    f.TEX()->SetText("z");
    EXPECT_EQ(f.Label1()->text(), "another caption");
    EXPECT_EQ(f.UndoIndex, 1);
    EXPECT_EQ(ReadFile("UNDO1.TXT"), "z\r\n");

    // A new streak is told again, and its end restores the caption before it.
    f.Label1()->setText(hint);
    blockFiles({"SUBTEXT.TXT"});
    f.TEX()->SetText("w");
    EXPECT_TRUE(f.Label1()->text().startsWith("Cannot write \"SUBTEXT.TXT\": "));
    unblockFiles({"SUBTEXT.TXT"});
    f.TEX()->SetText("v");
    EXPECT_EQ(f.Label1()->text(), hint);
}

TEST(Form1Window, AChangeDuringTheListLoadIsConvertedAfterwardsNotInside) {
    std::string list;
    for (int i = 0; i < 1000; ++i) list.append("k").append(std::to_string(i)).append("=v\r\n");
    list += "ty=Truly yours\r\n";
    WriteFile(store::kAbbTraceFile, list);
    Form1Form& f = loaded();
    store::AbbRetrace = true;
    std::vector<std::string> lowerAtQuestion;
    dlg::SetMsgBoxHook([&](const dlg::MsgBoxCall& call) {
        EXPECT_EQ(call.title, "Retrace Abb list?");
        lowerAtQuestion.push_back(f.RTB()->Text());
        f.TEX()->SetText("*ty* again");
        return static_cast<int>(dlg::No);
    });
    f.TEX()->SetText("*ty*");
    testing_support::InstallUnexpectedDialogHooks();
    EXPECT_EQ(lowerAtQuestion, std::vector<std::string>{"Preparing 1001 entries in the Abb list for work. Please wait!"});
    EXPECT_EQ(f.RTB()->Text(), "Truly yours again");
    EXPECT_EQ(f.UndoIndex, 2);
    EXPECT_EQ(ReadFile("UNDO1.TXT"), "*ty*\r\n");
    EXPECT_EQ(ReadFile("UNDO2.TXT"), "*ty* again\r\n");
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), list);  // No: not traced
}

TEST(Form1Window, AssignCharactersShowsTheFirstAssignmentWindow) {
    loaded();
    click("Command2");
    EXPECT_TRUE(CharAss().Window()->isVisible());
    EXPECT_EQ(CharAss().LoadCount(), 1);
}

// "a=aa" saved thirty times: "*a*" would take a gigabyte. The conversion stops
// at its bound and leaves both windows and every file as they were.
TEST(Form1Window, AListWhoseMeaningsExpandIntoEachOtherStopsTheConversionAndChangesNothing) {
    std::string list;
    for (int i = 0; i < 30; ++i) list += "a=aa\r\n";
    WriteFile(store::kAbbTraceFile, list);
    Form1Form& f = loaded();
    store::AbbRetrace = true;  // the list load traces it, which rewrites the file once a conversion is through
    f.TEX()->SetText("plain #a#");
    f.RTB()->SetSelStart(2);
    f.RTB()->SetSelLength(3);
    const auto files = testing_support::FolderContents();
    const std::string lower = f.RTB()->TextRTF();
    const auto expPos = f.ExpPos;
    const int undo = f.UndoIndex;

    const QString hint = f.Label1()->text();

    // Nothing modal while typing (a message box would fail the test): the
    // hint line tells it.
    f.TEX()->SetText("x *a* y");
    const std::string told = f.Label1()->text().toStdString();
    EXPECT_NE(told.find("expand into each other"), std::string::npos) << told;
    EXPECT_NE(told.find(std::string("\"") + store::kAbbTraceFile + "\""), std::string::npos) << told;
    EXPECT_TRUE(f.Label1()->toolTip().contains(QStringLiteral("larger than 64 MB")));
    EXPECT_EQ(testing_support::FolderContents(), files);
    EXPECT_EQ(f.RTB()->TextRTF(), lower);
    EXPECT_EQ(f.RTB()->SelStart(), 2);
    EXPECT_EQ(f.RTB()->SelLength(), 3);
    EXPECT_EQ(f.TEX()->Text(), "x *a* y");  // what the user typed stays
    EXPECT_EQ(f.UndoIndex, undo);
    EXPECT_EQ(f.ExpPos, expPos);
    EXPECT_EQ(store::AbbTracedVersion, 0);

    // Typing on changes nothing more; once a conversion goes through, the
    // hint line shows what it showed.
    f.TEX()->SetText("x *a* yz");
    EXPECT_EQ(testing_support::FolderContents(), files);
    f.TEX()->SetText("x a y");
    EXPECT_EQ(f.RTB()->Text(), "x a y");
    EXPECT_EQ(f.Label1()->text(), hint);
    EXPECT_EQ(f.Label1()->toolTip(), QString());
}

TEST(Form1Window, ExitTellsOfSettingsItCouldNotSaveEvenWhenToldBefore) {
    loaded();
    int ended = 0;
    platform::SetEndProgramHook([&] { ++ended; });
    const auto assignment = ReadFile(store::kAssignmentFile);
    store::LockUni = !store::LockUni;
    testing_support::MsgBoxRecorder boxes;
    {
        testing_support::DiskFull full(8);
        CharAss().WriteINI();
        ASSERT_EQ(boxes.count(), 1u);
        click("Quit");
    }
    EXPECT_EQ(boxes.count(), 2u);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), assignment);
}
