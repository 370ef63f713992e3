#include <gtest/gtest.h>

#include <QWidget>
#include <map>

#include "app/formhilfe.h"
#include "app/helpdoc.h"
#include "platform/richtextbox.h"
#include "app/masterfiles.h"
#include "store/filenames.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::WriteFile;

TEST(MasterSave, ABaseEndingInCapitalMIsWrittenAnew) {
    const auto plan = app::PlanMasterSave("notesM.TXT");
    EXPECT_EQ(plan.file, "notesM.TXT");
    EXPECT_TRUE(plan.overwrite);
    WriteFile("notesM.TXT", "old\r\n");
    ASSERT_TRUE(app::WriteMaster(plan, "new"));
    EXPECT_EQ(ReadFile("notesM.TXT"), "new\r\n");
    EXPECT_EQ(app::MasterSaveTitle(plan), "Saved");
    EXPECT_EQ(app::MasterSaveText(plan).substr(0, 57), "The contents of the upper window is saved as notesM.TXT\r\n");
}

TEST(MasterSave, AnyOtherBaseAppendsToTheFileWithAnM) {
    for (const char* chosen : {"notes.TXT", "notes.txt", "notes"}) {
        const auto plan = app::PlanMasterSave(chosen);
        EXPECT_EQ(plan.file, "notesM.TXT") << chosen;
        EXPECT_FALSE(plan.overwrite);
    }
    const auto plan = app::PlanMasterSave("notes.TXT");
    ASSERT_TRUE(app::WriteMaster(plan, "one"));
    ASSERT_TRUE(app::WriteMaster(plan, "two"));
    EXPECT_EQ(ReadFile("notesM.TXT"), "one\r\ntwo\r\n");
    EXPECT_EQ(app::MasterSaveTitle(plan), "Text appended or saved new");
    EXPECT_NE(app::MasterSaveText(plan).find("added to the file notesM.TXT\r\n\r\nIf you don't"), std::string::npos);
    // A lower-case m is no M: the base gains a capital one.
    EXPECT_EQ(app::PlanMasterSave("roomm.TXT").file, "roommM.TXT");
}

// A text is added whole or not at all: a write cut short (a full disk, the
// file-size limit) leaves the texts saved before as they were.
TEST(MasterSave, AnAppendCutShortLeavesTheFileAsItWas) {
    const auto plan = app::PlanMasterSave("notes.TXT");
    ASSERT_TRUE(app::WriteMaster(plan, "kept"));
    const auto before = testing_support::FolderContents();
    {
        testing_support::DiskFull full(4096);
        EXPECT_FALSE(app::WriteMaster(plan, std::string(8192, 'y')));
    }
    EXPECT_EQ(testing_support::FolderContents(), before);
    EXPECT_NE(textfile::lastError().indexOf(QStringLiteral("notesM.TXT")), -1) << textfile::lastError().toStdString();
}

TEST(MasterSave, TheSingleLetterMIsSavedAsMTxt) {
    const auto plan = app::PlanMasterSave("M.TXT");
    EXPECT_EQ(plan.file, "M.TXT");
    EXPECT_TRUE(plan.overwrite);
    ASSERT_TRUE(app::WriteMaster(plan, "x"));
    EXPECT_EQ(ReadFile("M.TXT"), "x\r\n");
}

TEST(MasterOpen, EveryLineEndsWithALineBreak) {
    WriteFile("aM.TXT", "ab\r\ncd");
    EXPECT_EQ(app::ReadMasterText("aM.TXT"), "ab\r\ncd\r\n");
    WriteFile("eM.TXT", "");
    EXPECT_EQ(app::ReadMasterText("eM.TXT"), "");
    EXPECT_FALSE(app::ReadMasterText("missingM.TXT"));
}

TEST(UndoRing, StepsBackAndWrapsSkippingEqualSlots) {
    std::map<int, std::string> ring = {{0, "zero"}, {9, "nine"}, {8, "same"}, {1, "same"}};
    auto read = [&](int s) -> std::optional<std::string> {
        auto it = ring.find(s);
        if (it == ring.end()) return std::nullopt;
        return it->second;
    };
    auto step = app::StepUndoRing(0, -1, "same", read);
    EXPECT_EQ(step.index, 9);
    EXPECT_EQ(step.text, "nine");
    step = app::StepUndoRing(9, +1, "nine", read);
    EXPECT_EQ(step.index, 0);
    EXPECT_EQ(step.text, "zero");
    step = app::StepUndoRing(0, +1, "same", read);  // slot 1 equal, slot 2 missing
    EXPECT_EQ(step.index, 2);
    EXPECT_FALSE(step.text);
}

TEST(UndoRing, TenEqualSlotsChangeNothing) {
    int reads = 0;
    auto step = app::StepUndoRing(4, -1, "t", [&](int) -> std::optional<std::string> {
        ++reads;
        return std::string("t");
    });
    EXPECT_EQ(reads, 10);
    EXPECT_EQ(step.index, 4);
    EXPECT_FALSE(step.text);
}

TEST(UndoRing, SlotsAreReadAsLinesEachEndingInALineBreak) {
    WriteFile(store::UndoSlotFile(3), "ab\r\ncd\r\n");
    WriteFile(store::UndoSlotFile(4), "");
    WriteFile(store::UndoSlotFile(5), "\r\n");
    EXPECT_EQ(store::UndoSlotFile(3), "UNDO3.TXT");
    EXPECT_EQ(app::ReadUndoSlot(3), "ab\r\ncd\r\n");
    EXPECT_FALSE(app::ReadUndoSlot(4));
    EXPECT_EQ(app::ReadUndoSlot(5), "\r\n");
    EXPECT_FALSE(app::ReadUndoSlot(6));
}

TEST(HelpDocument, EnvelopeAndSectionStructure) {
    const std::string doc = app::HelpDocument();
    const std::string envelope =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Verdana;}{\\f1\\fswiss\\fcharset0 Verdana;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;\\red0\\green0\\blue0;\\red0\\green128\\blue0;}"
        "{\\*\\generator Msftedit 5.41.15.1507;}\\viewkind4\\uc1\\pard\\cf1\\lang1031\\f0\\fs20 ";
    ASSERT_EQ(doc.substr(0, envelope.size()), envelope);
    EXPECT_EQ(doc.substr(envelope.size(), 52), std::string(48, '-') + "\\par");
    EXPECT_EQ(doc.substr(envelope.size() + 52, 24), "\\cf4 GETTING STARTED\\cf2");
    size_t last = 0;
    for (const char* heading : {"\\par\\par\\cf4 (1) ##\\cf2 : ", "\\par\\par\\cf4 (2) **\\cf2 : ",
                                "\\par\\par\\cf4 IN ADDITION\\cf2 : "}) {
        const size_t at = doc.find(heading);
        ASSERT_NE(at, std::string::npos) << heading;
        EXPECT_GT(at, last);
        last = at;
    }
    EXPECT_EQ(doc.back(), '}');
    // Braces balance: the closing brace ends the document, nothing else does.
    int depth = 0;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (doc[i] == '\\') { ++i; continue; }
        if (doc[i] == '{') ++depth;
        if (doc[i] == '}' && --depth == 0) {
            EXPECT_EQ(i, doc.size() - 1);
        }
    }
    EXPECT_NE(doc.find("\\cf1 ty=Truly yours\\cf2 "), std::string::npos);
}

TEST(HelpWindow, TheBoxFollowsTheWindowLessItsFrame) {
    const auto size = HelpBoxSizeFor(10950, 8235);
    EXPECT_DOUBLE_EQ(size.width, 10900);
    EXPECT_DOUBLE_EQ(size.height, 7735);
    const auto tiny = HelpBoxSizeFor(40, 480);
    EXPECT_DOUBLE_EQ(tiny.width, 0);
    EXPECT_DOUBLE_EQ(tiny.height, 0);
}

TEST(HelpWindow, ShowsFourSectionsAndIsBuiltAfreshAfterClosing) {
    FormHilfe().Show();
    auto* box = FormHilfe().Window()->findChild<platform::RichTextBox*>();
    const std::string text = box->Text();
    for (const char* heading : {"GETTING STARTED: ", "(1) ##: ", "(2) **: ", "IN ADDITION: "})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    EXPECT_EQ(text.substr(0, 48), std::string(48, '-'));
    box->SetText("edited");
    FormHilfe().Show();  // shown again: the same window
    EXPECT_EQ(FormHilfe().LoadCount(), 1);
    FormHilfe().Window()->close();
    EXPECT_FALSE(FormHilfe().IsLoaded());
    FormHilfe().Show();
    EXPECT_EQ(FormHilfe().LoadCount(), 2);
    EXPECT_EQ(FormHilfe().Window()->findChild<platform::RichTextBox*>()->Text(), text);
}
