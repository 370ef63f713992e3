#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWidget>
#include <set>

#include "abbrev/abbmode.h"
#include "abbrev/listfiles.h"
#include "files/textfile.h"
#include "platform/dialogs.h"
#include "platform/fontdialog.h"
#include "platform/richtextbox.h"
#include "platform/shell.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/file_faults.h"
#include "support/testing.h"

using testing_support::Boxes;
using testing_support::MsgBoxRecorder;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

const std::string kSeeded = "mu=\xB5\r\nty=Truly yours\r\n";

// Save's refusal while the editor does not show the list.
const dlg::MsgBoxCall kNotSaved{
    "The list was not saved: the editor does not show the list of \"RUNEMILLINI3.TXT\", whose last load failed, "
    "and saving would replace that list with what the editor shows.\r\n\r\nClose the editor and open it again "
    "with \"Abb list\".",
    dlg::OKOnly | dlg::Exclamation, "Runemill"};

// The editor as the main window opens it: the list version is 1 after start-up.
AbbModeForm& openEditor() {
    if (store::AbbListVersion == 0) store::AbbListVersion = 1;
    AbbMode().Show();
    return AbbMode();
}

std::string editorText() { return AbbMode().RTB()->Text(); }

void typeText(const std::string& text) {
    auto* rtb = AbbMode().RTB();
    rtb->SetSelStart(static_cast<int>(rtb->Text().size()));
    rtb->SetSelText(text);
}

// The editor opened and saved with the entry "ab=c" added: the undo copies
// hold the seeded list.
void saveAnEntry() {
    openEditor();
    typeText("\r\nab=c");
    AbbMode().Speichern_Click();
}

// The edited list and both trace copies.
void writeListFiles(const std::string& text) {
    for (const char* name : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile}) WriteFile(name, text);
}

std::string numberedList(int lines) {
    std::string text;
    for (int i = lines; i > 0; --i) text.append("a").append(std::to_string(i)).append("=x\r\n");
    return text;
}

// The font chooser's answer to the next "Adjust font": face and size.
void chooseSymbolFont(const char* face, int size) {
    platform::SetChooseFontHook([=](const platform::FontRecord&) -> std::optional<platform::FontRecord> {
        return platform::FontRecord{face, size * 10, platform::kRegularWeight, false, false, false, 0};
    });
}

using FontSet = std::set<std::pair<QString, double>>;

// Every face and size the editor's text is shown in.
FontSet editorFonts() {
    FontSet fonts;
    QTextDocument* doc = AbbMode().RTB()->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            fonts.insert({f.fontFamilies().toStringList().value(0), f.fontPointSize()});
        }
    }
    return fonts;
}

}  // namespace

TEST(EditorWindow, ControlsAndCaptions) {
    QWidget* w = openEditor().Window();
    EXPECT_EQ(w->windowTitle(), "Abbreviation list");
    const std::pair<const char*, const char*> captions[] = {{"Font", "Adjust font"},
                                                            {"Open", "Load database"},
                                                            {"SaveListAs", "Save list as"},
                                                            {"Export", "Export as RTF"},
                                                            {"SelAll", "]["}};
    for (const auto& [name, caption] : captions) {
        auto* b = w->findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption);
    }
    for (const char* picture : {"UnDo", "Speichern", "Delete", "Paste"})
        EXPECT_FALSE(w->findChild<QPushButton*>(picture)->icon().isNull()) << picture;
    EXPECT_EQ(AbbMode().Label1()->text(), "");
}

TEST(EditorWindow, FirstShowSeedsAndKeepsFileOrder) {
    openEditor();
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), "ty=Truly yours\r\nmu=\xB5\r\n");
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n");  // and the spare slot
    EXPECT_EQ(AbbMode().ListLineCount(), 2);
    EXPECT_FALSE(textfile::exists(store::kListDisplayFile));
    // Typed after Ctrl+End, a new line in the list's face: an empty one, then an entry.
    QTest::keyClick(AbbMode().RTB(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(AbbMode().RTB(), "\rzz=last");
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n\r\nzz=last");
    EXPECT_EQ(editorFonts(), (FontSet{{"Arial", 12}}));
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "mu=\\'b5\r\nty=Truly yours\r\nzz=last\r\n");
}

// Open, Save, close, open (sorted), Save: no entry changes, abbreviations as typed.
TEST(EditorWindow, ARoundTripChangesNoEntry) {
    const std::string list =
        "\\'e4\\u1488?=\\u-4000?\\'b5\r\nb\\s\\=\\'7d\r\nf{g=BRACE\r\nk\\'zz\\u12=\\'e4\r\n{a}=x\\'7by\\'5c\r\n";
    WriteFile(store::kListFile, list);
    openEditor();
    EXPECT_EQ(AbbMode().RTB()->TextW(),
              QString::fromUtf16(u"\u00E4\u05D0=\uF060\u00B5\r\nb\\s\\=}\r\nf{g=BRACE\r\nk\\'zz\\u12=\u00E4\r\n{a}=x{y\\\r\n"));
    AbbMode().Speichern_Click();
    const std::string saved = "\xe4" + list.substr(4);  // a key's escape, as saved before: its byte
    EXPECT_EQ(ReadFile(store::kListFile), saved);
    AbbMode().Unload();
    openEditor();
    AbbMode().Speichern_Click();
    const size_t first = saved.find('\n') + 1;  // sorted, the "\xe4" key now last
    EXPECT_EQ(ReadFile(store::kListFile), "\r\n" + saved.substr(first) + saved.substr(0, first));
}

TEST(EditorWindow, SaveWritesAllFilesAndShowsTheListSorted) {
    saveAnEntry();
    const std::string saved = "mu=\\'b5\r\nty=Truly yours\r\nab=c\r\n";
    EXPECT_EQ(ReadFile(store::kListFile), saved);
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), saved);
    EXPECT_EQ(ReadFile(store::kBedTraceFile), saved);
    EXPECT_EQ(ReadFile(store::kUndoListFile), kSeeded);
    EXPECT_EQ(store::AbbListVersion, 2);
    EXPECT_TRUE(store::AbbRetrace);
    // Sorted: the spare slot's empty paragraph first, the micro sign shown again.
    EXPECT_EQ(editorText(), "\r\nab=c\r\nmu=\xB5\r\nty=Truly yours");
    EXPECT_EQ(AbbMode().RTB()->SelStart(), 0);
    EXPECT_EQ(AbbMode().Label1()->text(), "");

    // A second Save keeps one empty first line: the list is stable.
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "\r\nab=c\r\nmu=\\'b5\r\nty=Truly yours\r\n");
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "\r\nab=c\r\nmu=\\'b5\r\nty=Truly yours\r\n");
}

TEST(EditorWindow, EscapesSurviveSaveAndShowAsCharacters) {
    WriteFile(store::kListFile, "he=\\u1488?\\u-4000?\r\nfirst=\\'e4\r\n");
    openEditor();
    EXPECT_EQ(AbbMode().RTB()->TextW(), QString::fromUtf16(u"he=\u05D0\uF060\r\nfirst=\u00E4\r\n"));
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "he=\\u1488?\\u-4000?\r\nfirst=\\'e4\r\n");
}

TEST(EditorWindow, AnEntryBeginningWithAnEscapeKeepsItsBackslash) {
    WriteFile(store::kListFile, "\\u1488?=ae\r\n");
    openEditor();
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "\\u1488?=ae\r\n");
}

TEST(EditorWindow, FormattingIsNormalisedOnSave) {
    store::CellFontName = "Times New Roman";
    store::CellFontSize = 9;
    openEditor();
    auto* rtb = AbbMode().RTB();
    rtb->SetSelStart(0);
    rtb->SetSelLength(2);
    rtb->SetSelBold(true);
    rtb->SetSelColor(255);
    rtb->SetSelFontSize(20);
    rtb->SetSelFontName("Courier New");
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded.substr(0, 3) + "\\'b5\r\nty=Truly yours\r\n");
}

TEST(EditorWindow, SavingAnEmptyEditorEmptiesOnlyTheListFile) {
    openEditor();
    AbbMode().SelAll_Click();
    AbbMode().Delete_Click();
    EXPECT_EQ(editorText(), "");
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "");
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), kSeeded);
    EXPECT_EQ(ReadFile(store::kUndoListFile), kSeeded);
    EXPECT_TRUE(store::AbbRetrace);
    EXPECT_EQ(store::AbbListVersion, 1);
    // The next load seeds the emptied file again.
    AbbMode().Unload();
    openEditor();
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n");
}

TEST(EditorWindow, LongListsAskBeforeSorting) {
    store::AbbListVersion = 2;
    WriteFile(store::kListFile, numberedList(999));
    openEditor();
    EXPECT_TRUE(editorText().starts_with("\r\na100=x\r\na101=x"));  // sorted without a question
    AbbMode().Unload();

    WriteFile(store::kListFile, numberedList(1000));
    MsgBoxRecorder boxes;
    boxes.Answer(dlg::No);
    openEditor();
    EXPECT_EQ(boxes.calls(), (Boxes{{"Sort array new? (Takes time in large lists)", dlg::YesNo, "Runemill"}}));
    EXPECT_TRUE(editorText().starts_with("a1000=x\r\na999=x"));
}

TEST(EditorWindow, UnbalancedBracesKeepTheEntriesAfterThem) {
    WriteFile(store::kListFile, "a=}\r\nb={x\r\nc={\\b bold}\r\nd=y\r\n");
    openEditor();
    EXPECT_EQ(editorText(), "a=}\r\nb={x\r\nc=bold\r\nd=y\r\n");
    AbbMode().Speichern_Click();
    // The braces are saved as byte escapes, which the conversions show as braces.
    EXPECT_EQ(ReadFile(store::kListFile), "a=\\'7d\r\nb=\\'7bx\r\nc=bold\r\nd=y\r\n");
}

TEST(EditorWindow, ControlWordsActOnlyInTheirOwnEntry) {
    // A destination hides the rest of its own entry, and a zero fallback
    // count shows its own entry's "?"; the entries after them stay as they were.
    WriteFile(store::kListFile, "a=\\*x\r\nb=c\r\nd=\\info y\r\ne=\\uc0\\u1488?\r\nf=\\u1488?\r\ng=h\r\n");
    openEditor();
    EXPECT_EQ(AbbMode().RTB()->TextW(), QString::fromUtf16(u"a=\r\nb=c\r\nd=\r\ne=\u05D0?\r\nf=\u05D0\r\ng=h\r\n"));
    AbbMode().Speichern_Click();
    EXPECT_EQ(ReadFile(store::kListFile), "a=\r\nb=c\r\nd=\r\ne=\\u1488??\r\nf=\\u1488?\r\ng=h\r\n");
}

TEST(EditorWindow, ClosingDiscardsUnsavedEdits) {
    openEditor();
    typeText("\r\nnew=entry");
    AbbMode().Window()->close();
    EXPECT_FALSE(AbbMode().IsLoaded());
    openEditor();
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n");
    EXPECT_EQ(AbbMode().LoadCount(), 2);
}

TEST(ListUndo, BeforeAnySaveSaysSoAndChangesNothing) {
    openEditor();
    typeText("x");
    MsgBoxRecorder boxes;
    AbbMode().UnDo_Click();
    EXPECT_EQ(boxes.calls(), (Boxes{{"There is nothing to undo: the list has not been saved yet.",
                                     dlg::OKOnly | dlg::Information, "Runemill"}}));
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\nx");
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
}

TEST(ListUndo, AFailedRestoreSaysSoAndKeepsTheFiles) {
    saveAnEntry();
    const auto before = testing_support::FolderContents();
    MsgBoxRecorder boxes;
    {
        testing_support::WriteFault full(store::kBedTraceFile, filegroup::Op::Write, ENOSPC);
        AbbMode().UnDo_Click();
    }
    EXPECT_EQ(boxes.calls(), (Boxes{{"The list saved before could not be restored.\r\n\r\n"
                                     "Cannot write \"RunemillIni3LBed.TXT\": No space left on device",
                                     dlg::OKOnly | dlg::Exclamation, "Runemill"}}));
    EXPECT_EQ(testing_support::FolderContents(), before);
}

TEST(ListUndo, TwiceEqualsOnce) {
    saveAnEntry();
    AbbMode().UnDo_Click();
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
    const std::string once = editorText();
    AbbMode().UnDo_Click();
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
    EXPECT_EQ(ReadFile(store::kAbbTraceFile), kSeeded);
    EXPECT_EQ(editorText(), once);
    EXPECT_EQ(store::AbbListVersion, 2);
}

TEST(SaveFailure, AFullDiskKeepsFilesAndEdits) {
    const std::string list = numberedList(20);
    WriteFile(store::kListFile, list);
    openEditor();
    const std::string typed = "new=" + std::string(300, 'e');  // the new list outgrows the disk
    typeText("\r\n" + typed);
    MsgBoxRecorder boxes;
    {
        testing_support::DiskFull full(300);
        AbbMode().Speichern_Click();
    }
    EXPECT_EQ(boxes.calls(), (Boxes{{"The list could not be saved; the list files keep their former content.\r\n\r\n"
                                     "Cannot write \"RUNEMILLINI3.TXT\": File too large",
                                     dlg::OKOnly | dlg::Exclamation, "Runemill"}}));
    EXPECT_EQ(ReadFile(store::kListFile), list);
    EXPECT_TRUE(editorText().ends_with(typed));
    EXPECT_EQ(store::AbbListVersion, 1);
}

TEST(Databases, LoadDatabaseThroughTheDialog) {
    QDir().mkdir("db");
    WriteFile("db/GreekL.TXT", "g=\\u947?\r\n");
    openEditor();
    dlg::FileDialogCall seen;
    dlg::SetFileDialogHook([&](const dlg::FileDialogCall& call) -> std::optional<std::string> {
        seen = call;
        return std::string("db/GreekL.TXT");
    });
    AbbMode().Open_Click();
    EXPECT_FALSE(seen.save);
    EXPECT_EQ(seen.filter, "Abb list files(*L.TXT)|*L.TXT");
    EXPECT_EQ(seen.flags, 4096);
    // The dialog left the current directory in the database's folder.
    EXPECT_TRUE(QDir::currentPath().endsWith("/db"));
    EXPECT_EQ(ReadFile(store::kListFile), "g=\\u947?\r\n");
    EXPECT_EQ(ReadFile("GreekA.TXT"), "g=\\u947?\r\n");
    EXPECT_EQ(AbbMode().RTB()->TextW(), QString::fromUtf16(u"g=\u03B3\r\n"));
}

TEST(Databases, CancelledDialogsCopyNothing) {
    openEditor();
    dlg::SetFileDialogHook([](const dlg::FileDialogCall&) { return std::nullopt; });
    MsgBoxRecorder boxes;
    AbbMode().Open_Click();
    AbbMode().SaveListAs_Click();
    EXPECT_EQ(boxes.calls(),
              (Boxes{{"Cancelled or load failed, check data.", dlg::OKOnly | dlg::Information, "Damned! :-)"},
                     {"Perhaps no such disk available, or list not traced, or you have cancelled.",
                      dlg::OKCancel | dlg::Question, "Damned! :-)"}}));
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
}

// After the program's own words, a failing file step says which file and why.
TEST(Databases, AFailedLoadOrSaveNamesTheFileAndWhy) {
    openEditor();
    const std::string dir = QDir::currentPath().toStdString();
    MsgBoxRecorder boxes;
    dlg::SetFileDialogHook([](const dlg::FileDialogCall&) { return std::string("NoneL.TXT"); });
    AbbMode().Open_Click();
    dlg::SetFileDialogHook([](const dlg::FileDialogCall&) { return std::string("Greek"); });
    {
        testing_support::WriteFault full(dir + "/GreekA.TXT", filegroup::Op::Write, ENOSPC);
        AbbMode().SaveListAs_Click();
    }
    EXPECT_EQ(boxes.calls(), (Boxes{{"Cancelled or load failed, check data.\r\n\r\n"
                                     "Cannot read \"" + dir + "/NoneL.TXT\": No such file or directory",
                                     dlg::OKOnly | dlg::Information, "Damned! :-)"},
                                    {"Perhaps no such disk available, or list not traced, or you have cancelled."
                                     "\r\n\r\nCannot write \"" + dir + "/GreekA.TXT\": No space left on device",
                                     dlg::OKCancel | dlg::Question, "Damned! :-)"}}));
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);
    EXPECT_FALSE(ReadFile("GreekL.TXT").has_value());
}

TEST(Databases, SaveListAsNotesLongListsOnly) {
    openEditor();
    dlg::FileDialogCall seen;
    std::string chosen = "Greek.TXT";
    dlg::SetFileDialogHook([&](const dlg::FileDialogCall& call) -> std::optional<std::string> {
        seen = call;
        return chosen;
    });
    AbbMode().SaveListAs_Click();  // short: no message
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(seen.filter, "Abb list files (*L.TXT)|*L.TXT");
    EXPECT_EQ(seen.flags, 2);
    EXPECT_EQ(ReadFile("GreekL.TXT"), kSeeded);

    WriteFile(store::kListFile, numberedList(200));
    chosen = "BigL.TXT";
    MsgBoxRecorder boxes;
    AbbMode().SaveListAs_Click();
    const std::string base = (QDir::currentPath() + "/BigL").toStdString();
    EXPECT_EQ(boxes.calls(), (Boxes{{"List database is saved as " + base +
                                         "L.TXT without retracing. You can retrace it later when you use it in "
                                         "the main window.",
                                     dlg::OKOnly, "Runemill"}}));
    EXPECT_EQ(ReadFile("BigLL.TXT"), numberedList(200));
}

TEST(Export, WritesAndOpensTheListOrReportsAndOpensNothing) {
    std::vector<std::string> opened;
    platform::SetShellOpenHook([&](const std::string& name) {
        opened.push_back(name);
        return true;
    });
    openEditor();
    AbbMode().SelAll_Click();
    AbbMode().Delete_Click();
    AbbMode().Export_Click();  // empty: nothing
    EXPECT_FALSE(textfile::exists(store::kListExportFile));
    EXPECT_TRUE(opened.empty());

    typeText("x=y");
    AbbMode().Export_Click();
    EXPECT_EQ(opened, std::vector<std::string>{"Abb List.RTF"});
    EXPECT_NE(ReadFile(store::kListExportFile)->find("\\fs24 x=y\\par"), std::string::npos);

    textfile::remove(store::kListExportFile);
    QDir().mkdir(store::kListExportFile);  // cannot be written as a file
    MsgBoxRecorder boxes;
    AbbMode().Export_Click();
    EXPECT_EQ(boxes.calls(), (Boxes{{"The list could not be exported to \"Abb List.RTF\".\r\n\r\n"
                                     "Cannot write \"Abb List.RTF\": It is a folder, not a regular file",
                                     dlg::OKOnly | dlg::Exclamation, "Runemill"}}));
    EXPECT_EQ(opened.size(), 1u);
}

TEST(Export, WhenNoProgramCanOpenTheListTheUserIsTold) {
    platform::SetShellOpenHook([](const std::string&) { return false; });
    openEditor();
    MsgBoxRecorder boxes;
    AbbMode().Export_Click();
    EXPECT_EQ(boxes.calls(), (Boxes{{"\"Abb List.RTF\" was written in " + QDir::currentPath().toStdString() +
                                         ", but no program could open the file. Open it in your word processor.",
                                     dlg::OKOnly | dlg::Exclamation, "Runemill"}}));
    EXPECT_TRUE(textfile::exists(store::kListExportFile));
}

// A full disk while the list is shown: the display document cannot be written.
TEST(LoadFailure, TheEditorStaysClosedAndNoListFileChanges) {
    writeListFiles(numberedList(5));
    const auto before = testing_support::FolderContents();
    MsgBoxRecorder boxes;
    {
        testing_support::WriteFault full(store::kListDisplayFile, filegroup::Op::Write, ENOSPC);
        openEditor();
    }
    const dlg::MsgBoxCall loadFailed{"Please, retry.\r\n\r\nCannot write \"TMP111.TMP\": No space left on device",
                                     dlg::OKOnly | dlg::Information, "Load failed"};
    EXPECT_EQ(boxes.calls(), Boxes{loadFailed});
    EXPECT_FALSE(AbbMode().IsLoaded());

    // Nothing can save an empty editor over the list, not even a stray Save.
    AbbMode().Speichern_Click();
    EXPECT_EQ(boxes.calls(), (Boxes{loadFailed, kNotSaved}));
    EXPECT_FALSE(AbbMode().IsLoaded());
    EXPECT_EQ(testing_support::FolderContents(), before);

    // Once there is room again the list shows as it was.
    openEditor();
    EXPECT_TRUE(editorText().starts_with("a5=x\r\na4=x"));
}

// A list longer than the editor can hold reaches it by no way, and nothing
// changes: it is refused before it is read, at the editor's start, by "Load
// database" and by the list's undo, with its size and the bound.
TEST(LoadFailure, AListPastWhatTheEditorHoldsIsRefusedByEveryWayIn) {
    const std::string bytesPast(store::kListFileBound.bytes + 1, 'x');
    const std::string linesPast = numberedList(static_cast<int>(store::kListFileBound.lines) + 1);
    const std::string tooLong = "It holds 4194305 bytes (4.1 MB), more than the list editor holds (4 MB)";
    const std::string tooMany = "It holds 100001 lines, more than the list editor holds (100000 lines)";
    for (const auto& [list, why] : {std::pair{bytesPast, tooLong}, std::pair{linesPast, tooMany}}) {
        testing_support::ClearFolder();
        platform::DestroyAllForms();
        WriteFile(store::kListFile, list);
        auto before = testing_support::FolderContents();
        MsgBoxRecorder boxes;
        openEditor();
        EXPECT_FALSE(AbbMode().IsLoaded());
        EXPECT_TRUE(testing_support::FolderContents() == before);

        WriteFile(store::kListFile, numberedList(3));
        saveAnEntry();
        WriteFile("BigL.TXT", list);
        WriteFile(store::kUndoListFile, list);
        before = testing_support::FolderContents();
        dlg::SetFileDialogHook([](const dlg::FileDialogCall&) { return std::string("BigL.TXT"); });
        AbbMode().Open_Click();
        AbbMode().UnDo_Click();
        EXPECT_TRUE(testing_support::FolderContents() == before);
        const std::string dir = QDir::currentPath().toStdString();
        EXPECT_EQ(boxes.calls(),
                  (Boxes{{"Please, retry.\r\n\r\nCannot read \"RUNEMILLINI3.TXT\": " + why,
                          dlg::OKOnly | dlg::Information, "Load failed"},
                         {"Cancelled or load failed, check data.\r\n\r\nCannot read \"" + dir + "/BigL.TXT\": " + why,
                          dlg::OKOnly | dlg::Information, "Damned! :-)"},
                         {"The list saved before could not be restored.\r\n\r\nCannot read \"UNDOINI3.TXT\": " + why,
                          dlg::OKOnly | dlg::Exclamation, "Runemill"}}));
    }
}

TEST(LoadFailure, AfterAFailedReloadSaveIsRefusedUntilALoadSucceeds) {
    WriteFile(store::kListFile, numberedList(5));
    openEditor();
    const auto before = testing_support::FolderContents();
    MsgBoxRecorder boxes;
    {
        testing_support::WriteFault full(store::kListDisplayFile, filegroup::Op::Write, ENOSPC);
        EXPECT_FALSE(AbbMode().LoadList());
    }
    typeText("\r\nnew=entry");
    AbbMode().Speichern_Click();
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.calls()[0].title, "Load failed");
    EXPECT_EQ(boxes.calls()[1], kNotSaved);
    EXPECT_EQ(testing_support::FolderContents(), before);
    EXPECT_EQ(store::AbbListVersion, 1);

    ASSERT_TRUE(AbbMode().LoadList());
    typeText("\r\nnew=entry");
    AbbMode().Speichern_Click();
    EXPECT_EQ(boxes.count(), 2u);
    EXPECT_EQ(ReadFile(store::kListFile), numberedList(5) + "new=entry\r\n");
}

// A Save that fails while its files are written leaves the list and both
// trace copies as they were: the conversions never see them out of step.
TEST(SaveFailure, TheThreeListFilesChangeTogetherOrNotAtAll) {
    writeListFiles(numberedList(3));
    openEditor();
    typeText("\r\nnew=entry");
    AbbMode().Speichern_Click();  // the undo copies exist from now on
    typeText("\r\nmore=entry");
    const auto before = testing_support::FolderContents();
    MsgBoxRecorder boxes;
    for (const char* failing : {store::kAbbTraceFile, store::kBedTraceFile}) {
        testing_support::WriteFault full(failing, filegroup::Op::Flush, ENOSPC);
        AbbMode().Speichern_Click();
    }
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(boxes.calls()[1], (dlg::MsgBoxCall{"The list could not be saved; the list files keep their former "
                                                 "content.\r\n\r\nCannot write \"RunemillIni3LBed.TXT\": No space "
                                                 "left on device",
                                                 dlg::OKOnly | dlg::Exclamation, "Runemill"}));
    EXPECT_EQ(testing_support::FolderContents(), before);
}

TEST(SaveFailure, TheListFilesReachTheDiskBeforeAnyIsReplaced) {
    openEditor();
    typeText("\r\nab=c");
    testing_support::WriteLog log;
    AbbMode().Speichern_Click();
    std::vector<std::string> listSteps;
    for (const std::string& step : log.steps()) {
        for (const char* name : {store::kListFile, store::kAbbTraceFile, store::kBedTraceFile})
            if (step.ends_with(std::string(" ") + name) && step.find("UNDO") == std::string::npos)
                listSteps.push_back(step);
    }
    EXPECT_EQ(listSteps, (std::vector<std::string>{
                             "write RUNEMILLINI3.TXT", "flush RUNEMILLINI3.TXT", "write RunemillIni3LAbb.TXT",
                             "flush RunemillIni3LAbb.TXT", "write RunemillIni3LBed.TXT", "flush RunemillIni3LBed.TXT",
                             "rename RUNEMILLINI3.TXT", "rename RunemillIni3LAbb.TXT",
                             "rename RunemillIni3LBed.TXT"}));
    for (const char* undo : {store::kUndoListFile, store::kUndoAbbTraceFile, store::kUndoBedTraceFile})
        EXPECT_TRUE(log.Flushed(undo)) << undo;
    EXPECT_FALSE(log.Flushed(store::kListDisplayFile));
}

TEST(FontButton, WithoutUnsavedEditsReloadsTheListInTheNewFont) {
    openEditor();
    chooseSymbolFont("Liberation Serif", 14);
    AbbMode().Font_Click();  // no question: the unexpected-box hook would fail
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n");
    EXPECT_EQ(editorFonts(), (FontSet{{"Liberation Serif", 14}}));

    // After a save nothing is unsaved either.
    typeText("\r\nab=c");
    AbbMode().Speichern_Click();
    chooseSymbolFont("Liberation Mono", 10);
    AbbMode().Font_Click();
    EXPECT_EQ(editorFonts(), (FontSet{{"Liberation Mono", 10}}));

    // A cancelled chooser says so; the list shows as before.
    platform::SetChooseFontHook([](const platform::FontRecord&) -> std::optional<platform::FontRecord> { return {}; });
    MsgBoxRecorder boxes;
    AbbMode().Font_Click();
    EXPECT_EQ(boxes.calls(), (Boxes{{"Either an error has occurred in the font select dialog or you have cancelled.",
                                     dlg::OKOnly | dlg::Critical, "Error possible"}}));
    EXPECT_EQ(editorFonts(), (FontSet{{"Liberation Mono", 10}}));
}

TEST(FontButton, WithUnsavedEditsAsksAndNoKeepsThemInTheNewFont) {
    openEditor();
    typeText("new=entry");  // on the spare slot
    AbbMode().RTB()->SetSelStart(3);
    chooseSymbolFont("Liberation Serif", 14);
    MsgBoxRecorder boxes;
    boxes.Answer(dlg::No);
    AbbMode().Font_Click();
    const dlg::MsgBoxCall discard{"The list has unsaved changes. Discard them?",
                                  dlg::YesNo | dlg::Question | dlg::DefaultButton2, "Runemill"};  // No, keep them
    EXPECT_EQ(boxes.calls(), Boxes{discard});
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\nnew=entry");
    EXPECT_EQ(editorFonts(), (FontSet{{"Liberation Serif", 14}}));
    EXPECT_EQ(AbbMode().RTB()->SelStart(), 3);
    EXPECT_EQ(ReadFile(store::kListFile), kSeeded);  // nothing saved or reloaded

    // The edits are still unsaved: the next time Yes discards them.
    boxes.Answer(dlg::Yes);
    AbbMode().Font_Click();
    ASSERT_EQ(boxes.count(), 2u);
    EXPECT_EQ(editorText(), "mu=\xB5\r\nty=Truly yours\r\n");
    EXPECT_EQ(editorFonts(), (FontSet{{"Liberation Serif", 14}}));
}

