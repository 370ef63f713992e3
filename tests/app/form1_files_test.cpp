// The main window's file commands: master files, undo and redo, the export,
// and the windows it opens.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QVBoxLayout>

#include "abbrev/abbmode.h"
#include "app/form1.h"
#include "app/formhilfe.h"
#include "assign/charass.h"
#include "platform/dialogs.h"
#include "platform/richtextbox.h"
#include "platform/shell.h"
#include "platform/textbox.h"
#include "store/store.h"
#include "form1_testing.h"
#include "support/testing.h"

using testing_support::MsgBoxRecorder;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

void chooseFile(const std::optional<std::string>& path) {
    dlg::SetFileDialogHook([path](const dlg::FileDialogCall&) { return path; });
}

std::vector<std::string> shellOpens;

void recordShellOpens() {
    shellOpens.clear();
    platform::SetShellOpenHook([](const std::string& name) {
        shellOpens.push_back(name);
        return true;
    });
}

}  // namespace

TEST(MasterFiles, OpeningReplacesTheCodeTextAndConverts) {
    auto& f = loaded();
    QDir().mkdir("texts");
    WriteFile("texts/greekM.TXT", "#ab#\r\nx");
    chooseFile(QDir("texts").absoluteFilePath("greekM.TXT").toStdString());
    f.OpenCode_Click();
    EXPECT_EQ(f.TEX()->Text(), "#ab#\r\nx\r\n");
    EXPECT_EQ(f.RTB()->TextW(), QString::fromUtf8("αβ\r\nx\r\n"));
    // The fixed files now live in the chosen folder.
    EXPECT_TRUE(QDir::current().absolutePath().endsWith("/texts"));
    EXPECT_TRUE(ReadFile("UNDO1.TXT").has_value());
}

TEST(MasterFiles, ACancelledOpenSaysSoAndChangesNothing) {
    auto& f = loaded();
    f.TEX()->SetText("keep");
    chooseFile(std::nullopt);
    MsgBoxRecorder boxes;
    f.OpenCode_Click();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Cancelled or load failed, check data.");
    EXPECT_EQ(boxes.calls()[0].title, "Damned! :-)");
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKOnly | dlg::Information);
    EXPECT_EQ(f.TEX()->Text(), "keep");
}

TEST(MasterFiles, SavingAppendsOrOverwritesByTheMRule) {
    auto& f = loaded();
    f.TEX()->SetText("first");
    MsgBoxRecorder boxes;
    const std::string dir = QDir::current().absolutePath().toStdString();
    chooseFile(dir + "/notes.TXT");
    f.SaveCode_Click();
    f.SaveCode_Click();
    EXPECT_EQ(ReadFile("notesM.TXT"), "first\r\nfirst\r\n");
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.calls()[0].title, "Text appended or saved new");
    EXPECT_NE(boxes.calls()[0].prompt.find(dir + "/notesM.TXT"), std::string::npos);

    chooseFile(dir + "/notesM.TXT");
    f.TEX()->SetText("second");
    f.SaveCode_Click();
    EXPECT_EQ(ReadFile("notesM.TXT"), "second\r\n");
    EXPECT_EQ(boxes.calls()[2].title, "Saved");
    EXPECT_EQ(f.UndoIndex, 2);  // saving takes no undo slot
}

TEST(MasterFiles, ACancelledSaveWritesNothing) {
    auto& f = loaded();
    chooseFile(std::nullopt);
    MsgBoxRecorder boxes;
    boxes.Answer(dlg::Cancel);
    f.SaveCode_Click();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Perhaps no such disk available, or list not traced, or you have cancelled.");
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKCancel | dlg::Question);
    EXPECT_TRUE(QDir::current().entryList({"*M.TXT"}, QDir::Files).isEmpty());
}

// After the program's own words, a failing file step says which file and why.
TEST(MasterFiles, AFailedSaveOrOpenNamesTheFileAndWhy) {
    auto& f = loaded();
    f.TEX()->SetText("text");
    const std::string dir = QDir::current().absolutePath().toStdString();
    MsgBoxRecorder boxes;
    {
        testing_support::WriteFault full(dir + "/notesM.TXT", filegroup::Op::Write, ENOSPC);
        chooseFile(dir + "/notes.TXT");
        f.SaveCode_Click();
    }
    chooseFile(dir + "/missingM.TXT");
    f.OpenCode_Click();
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Perhaps no such disk available, or list not traced, or you have cancelled.\r\n\r\n"
                                       "Cannot write \"" + dir + "/notesM.TXT\": No space left on device");
    EXPECT_EQ(boxes.calls()[1].prompt, "Cancelled or load failed, check data.\r\n\r\n"
                                       "Cannot read \"" + dir + "/missingM.TXT\": No such file or directory");
    EXPECT_FALSE(ReadFile("notesM.TXT").has_value());
    EXPECT_EQ(f.TEX()->Text(), "text");
}

TEST(UndoRedo, StepThroughTheRingWithoutConverting) {
    auto& f = loaded();
    f.TEX()->SetText("#a#");   // slot 1
    f.TEX()->SetText("#ab#");  // slot 2
    f.TEX()->SetText("#ab#x"); // slot 3; RTB.RTF holds the lower window of "#ab#"
    ASSERT_EQ(f.UndoIndex, 3);
    const std::string ring3 = *ReadFile("UNDO3.TXT");

    f.UnDo_Click();
    EXPECT_EQ(f.UndoIndex, 2);
    EXPECT_EQ(f.TEX()->Text(), "#ab#\r\n");
    EXPECT_EQ(f.RTB()->TextW(), QString::fromUtf8("αβ"));  // the snapshot
    EXPECT_FALSE(f.SuppressConvert);
    EXPECT_EQ(*ReadFile("UNDO3.TXT"), ring3);  // no slot written

    f.UnDo_Click();
    EXPECT_EQ(f.TEX()->Text(), "#a#\r\n");
    EXPECT_EQ(f.UndoIndex, 1);

    const QString lower = f.RTB()->TextW();
    f.ReDo_Click();
    EXPECT_EQ(f.TEX()->Text(), "#ab#\r\n");
    EXPECT_EQ(f.UndoIndex, 2);
    EXPECT_EQ(f.RTB()->TextW(), lower);  // redo loads no snapshot
}

TEST(UndoRedo, WrapsAroundAndSkipsEqualSlots) {
    auto& f = loaded();
    WriteFile("UNDO9.TXT", "nine\r\n");
    WriteFile("UNDO8.TXT", "same\r\n");
    f.SuppressConvert = true;
    f.TEX()->SetText("same\r\n");
    f.SuppressConvert = false;
    WriteFile("UNDO0.TXT", "same\r\n");
    f.UndoIndex = 1;
    f.UnDo_Click();  // slot 0 equals the text, slot 9 does not
    EXPECT_EQ(f.UndoIndex, 9);
    EXPECT_EQ(f.TEX()->Text(), "nine\r\n");
    f.ReDo_Click();  // slot 0
    EXPECT_EQ(f.UndoIndex, 0);
    EXPECT_EQ(f.TEX()->Text(), "same\r\n");
}

TEST(UndoRedo, NothingToRestoreLeavesBothWindowsAsTheyAre) {
    auto& f = loaded();
    f.SuppressConvert = true;
    f.TEX()->SetText("text");
    f.RTB()->SetText("shown");
    f.SuppressConvert = false;
    f.UnDo_Click();  // no slot files after a first start
    EXPECT_EQ(f.TEX()->Text(), "text");
    EXPECT_EQ(f.RTB()->Text(), "shown");
    EXPECT_EQ(f.UndoIndex, 9);
    EXPECT_FALSE(f.SuppressConvert);

    // A slot without its lower-window snapshot: the lower window stays.
    WriteFile("UNDO8.TXT", "older\r\n");
    f.UnDo_Click();
    EXPECT_EQ(f.TEX()->Text(), "older\r\n");
    EXPECT_EQ(f.RTB()->Text(), "shown");
}

// A FIFO in place of the file a command reads ends, at once, in a message
// that names it, and stays.
TEST(FileCommands, AFifoInPlaceOfTheFileACommandReadsEndsInAMessage) {
    const std::string dir = QDir::current().absolutePath().toStdString();
    const std::pair<std::string, std::function<void()>> cases[] = {
        {"UNDO9.TXT", [] { Form1().UnDo_Click(); }},
        {"RTB.RTF", [] { WriteFile("UNDO9.TXT", "older\r\n"), Form1().UnDo_Click(); }},
        {dir + "/textM.TXT", [&] { chooseFile(dir + "/textM.TXT"), Form1().OpenCode_Click(); }},
        {"RUNEMILLINI3.TXT", [] { AbbMode().Show(); }},
        {dir + "/GreekL.TXT", [&] { chooseFile(dir + "/GreekL.TXT"), AbbMode().Open_Click(); }},
        {"Custom1.TXT", [] { CharAss().Custom_Click(1); }},
    };
    for (const auto& [file, command] : cases) {
        loaded().UndoIndex = 0;
        ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
        MsgBoxRecorder boxes;
        command();
        ASSERT_EQ(boxes.count(), 1u) << file;
        EXPECT_NE(boxes.calls()[0].prompt.find("\"" + file + "\": It is a FIFO"), std::string::npos) << file;
        EXPECT_EQ(::unlink(file.c_str()), 0) << file;
    }
}

// A file longer than its kind is read at all, in bytes or in lines, ends in
// a message that names it, its size and the bound, before it is taken in.
TEST(FileCommands, AFilePastItsBoundEndsInAMessageWithItsSizeAndTheBound) {
    const std::string dir = QDir::current().absolutePath().toStdString();
    const auto sparse = [](std::int64_t bytes) {
        return [=](const char* f) { WriteFile(f, ""), ::truncate(f, bytes); };
    };
    const auto lines = [](const char* head, const char* line, size_t count) {
        return [=](const char* f) { WriteFile(f, std::string(head) + testing_support::Repeated(line, count)); };
    };
    // Undo reads a slot unlike the text shown, then its snapshot; a set's load
    // reads both of its files.
    const auto undo = [] { WriteFile("UNDO9.TXT", std::to_string(::rand())), Form1().UnDo_Click(); };
    const auto openMaster = [&] { chooseFile(dir + "/textM.TXT"), Form1().OpenCode_Click(); };
    const auto loadSet = [] { WriteFile("Custom1.TXT", std::string(2000, '\n')), CharAss().Custom_Click(1); };
    const std::tuple<std::string, std::function<void(const char*)>, std::function<void()>, std::string> cases[] = {
        {"UNDO9.TXT", sparse((2 << 20) + 1), [] { Form1().UnDo_Click(); },
         "2097153 bytes (2.1 MB), more than the program reads of a code text (2 MB)"},
        {"RTB.RTF", sparse((4 << 20) + 1), undo, "4194305 bytes (4.1 MB), more than the lower window takes (4 MB)"},
        {"RTB.RTF", lines("{\\rtf1 ", "\\par", 100000), undo,
         "100001 paragraphs, more than the lower window takes (100000 paragraphs)"},
        {dir + "/textM.TXT", sparse((2 << 20) + 1), openMaster,
         "2097153 bytes (2.1 MB), more than the program reads of a code text (2 MB)"},
        {dir + "/textM.TXT", lines("", "\n", 50001), openMaster,
         "50001 lines, more than the program reads of a code text (50000 lines)"},
        {"Custom1II.TXT", sparse(4097), loadSet,
         "4097 bytes (4.1 KB), more than the program reads of an options file (4 KB)"},
    };
    for (const auto& [file, make, command, why] : cases) {
        make(file.c_str());
        loaded().UndoIndex = 0;
        MsgBoxRecorder boxes;
        command();
        ASSERT_GE(boxes.count(), 1u) << file;
        EXPECT_NE(boxes.calls().back().prompt.find("\"" + file + "\": It holds " + why), std::string::npos)
            << boxes.calls().back().prompt;
        EXPECT_EQ(::unlink(file.c_str()), 0) << file;
    }
}

TEST(Export, AnEmptyLowerWindowExportsNothing) {
    auto& f = loaded();
    recordShellOpens();
    f.Export_Click();
    EXPECT_FALSE(ReadFile("EXPORT.RTF"));
    EXPECT_TRUE(shellOpens.empty());
}

TEST(Export, SavesOpensCopiesAndPastesAtTheEndOfTheExportWindow) {
    auto& f = loaded();
    recordShellOpens();
    f.TEX()->SetText("#ab#\r\nxy");

    QWidget processor;
    processor.setWindowTitle("EXPORT - test");
    auto* edit = new QTextEdit(&processor);
    (new QVBoxLayout(&processor))->addWidget(edit);
    edit->setPlainText("first line");
    edit->moveCursor(QTextCursor::Start);
    processor.show();
    edit->setFocus();

    f.Export_Click();
    EXPECT_EQ(ReadFile("EXPORT.RTF"), f.RTB()->TextRTF().substr(0, f.RTB()->TextRTF().size() - 1));
    EXPECT_EQ(shellOpens, (std::vector<std::string>{"EXPORT.RTF", "EXPORT.RTF"}));
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(clip);
    EXPECT_TRUE(clip->hasFormat("text/rtf"));
    EXPECT_EQ(clip->text(), QString::fromUtf8("αβ\nxy"));
    EXPECT_EQ(edit->toPlainText(), QString::fromUtf8("first line\nαβ\nxy"));
    EXPECT_EQ(f.RTB()->TextW(), QString::fromUtf8("αβ\r\nxy"));
}

TEST(Export, WithoutAnExportWindowNoKeystrokesAreSent) {
    auto& f = loaded();
    recordShellOpens();
    f.TEX()->SetText("#a#");
    QWidget other;
    other.setWindowTitle("EXPORT.RTF - test");
    auto* edit = new QTextEdit(&other);
    edit->setPlainText("untouched");
    other.show();
    edit->setFocus();
    f.Export_Click();
    EXPECT_EQ(edit->toPlainText(), "untouched");
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("α"));
    EXPECT_EQ(shellOpens.size(), 2u);
}

TEST(Export, AFileThatCannotBeLoadedBackIsReportedAndNotOpenedAgain) {
    auto& f = loaded();
    f.TEX()->SetText("#a#");
    shellOpens.clear();
    // The opened file is taken away before the lower window reads it back.
    platform::SetShellOpenHook([](const std::string& name) {
        shellOpens.push_back(name);
        QDir().remove("EXPORT.RTF");
        QDir().mkdir("EXPORT.RTF");
        return true;
    });
    MsgBoxRecorder boxes;
    f.Export_Click();
    ASSERT_EQ(boxes.count(), 1u);
    // The program's words, then which file and why.
    EXPECT_TRUE(boxes.calls()[0].prompt.starts_with(
        "Please set Windows WordPad as standard for opening of '*.RTF' files.\r\n\r\nCannot read \"EXPORT.RTF\": "))
        << boxes.calls()[0].prompt;
    EXPECT_EQ(boxes.calls()[0].title, "RTF - WordPad");
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKOnly);
    EXPECT_EQ(shellOpens.size(), 1u);
    EXPECT_EQ(f.RTB()->TextW(), QString::fromUtf8("α"));
}

TEST(Export, AFileThatCannotBeWrittenIsReportedWithItsReasonAndNotOpened) {
    auto& f = loaded();
    f.TEX()->SetText("#a#");
    recordShellOpens();
    MsgBoxRecorder boxes;
    {
        testing_support::WriteFault full("EXPORT.RTF", filegroup::Op::Write, ENOSPC);
        f.Export_Click();
    }
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "Please set Windows WordPad as standard for opening of '*.RTF' files.\r\n\r\n"
                                       "Cannot write \"EXPORT.RTF\": No space left on device");
    EXPECT_TRUE(shellOpens.empty());
    EXPECT_FALSE(ReadFile("EXPORT.RTF").has_value());
}

TEST(Export, WhenNoProgramCanOpenTheFileOneMessageSaysWhereTheTextIs) {
    auto& f = loaded();
    f.TEX()->SetText("#a#");
    shellOpens.clear();
    platform::SetShellOpenHook([](const std::string& name) {
        shellOpens.push_back(name);
        return false;  // nothing registered for RTF files
    });
    MsgBoxRecorder boxes;
    f.Export_Click();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].prompt, "\"EXPORT.RTF\" was written in " + QDir::currentPath().toStdString() +
                                           " and the text is on the clipboard, but no program could open the "
                                           "file. Open it in your word processor, or paste the text there.");
    EXPECT_EQ(boxes.calls()[0].style, dlg::OKOnly | dlg::Exclamation);
    EXPECT_EQ(shellOpens.size(), 2u);
    EXPECT_TRUE(ReadFile("EXPORT.RTF").has_value());
    EXPECT_EQ(QApplication::clipboard()->text(), QString::fromUtf8("α"));
}

// The exported file read by a real word processor, when one is installed.
TEST(Export, AWordProcessorReadsTheSameText) {
    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) GTEST_SKIP() << "no word processor installed";
    Form1().Load();
    store::CellFontName = "Times New Roman";
    store::CellCharSet = 177;
    store::CellCode['a'] = "\\'e0";     // alef as a byte of the Hebrew set
    store::CellCode['b'] = "\\u1489?";  // bet as Unicode
    store::CellCode['d'] = "\\u8364?";
    auto& f = Form1();
    recordShellOpens();
    f.RightT_Click();
    f.TEX()->SetText("#ab# x\r\n#d# y\r\nz");
    f.Export_Click();

    QTemporaryDir profile;
    QProcess p;
    p.start(soffice, {"-env:UserInstallation=file://" + profile.path(), "--headless", "--convert-to",
                      "txt:Text (encoded):UTF8", "--outdir", QDir::currentPath(), "EXPORT.RTF"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const auto text = ReadFile("EXPORT.txt");
    ASSERT_TRUE(text.has_value()) << p.readAllStandardError().toStdString();
    QString got = QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
    if (got.startsWith(QChar(0xFEFF))) got.remove(0, 1);
    got.replace("\r\n", "\n");
    EXPECT_EQ(got.trimmed(), QString::fromUtf8("אב x\n€ y\nz"));
}

TEST(OtherWindows, AbbListShowsTheEditorAndSetsTheHint) {
    auto& f = loaded();
    f.AbbModeC_Click();
    EXPECT_TRUE(AbbMode().Window()->isVisible());
    EXPECT_EQ(f.Label1()->text(), "Quote abbreviations in ** but first create and save the list");
    f.AbbModeC_Click();
    EXPECT_EQ(AbbMode().LoadCount(), 1);
}

TEST(OtherWindows, TheQuestionMarkShowsTheHelp) {
    auto& f = loaded();
    f.Hilfe_Click();
    EXPECT_TRUE(FormHilfe().Window()->isVisible());
}

TEST(OtherWindows, AnEntrySavedInTheListEditorExpandsAtTheNextKeystroke) {
    auto& f = loaded();
    f.TEX()->SetText("*gm* and *ty*");
    EXPECT_EQ(f.RTB()->Text(), "*gm* and *ty*");  // no list yet: nothing expands

    f.AbbModeC_Click();
    platform::RichTextBox* editor = AbbMode().RTB();
    editor->SetSelStart(static_cast<int>(editor->Text().size()));
    editor->SetSelText("\r\ngm=good morning\r\n\xe9" "1=eacute");
    AbbMode().Speichern_Click();
    AbbMode().Speichern_Click();  // the key as the first Save left it, saved again

    f.TEX()->SetText("*gm* and *ty* *\xe9" "1*");
    EXPECT_EQ(f.RTB()->Text(), "good morning and Truly yours eacute");
}
