#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <unistd.h>

#include "abbrev/listfiles.h"
#include "app/form1.h"
#include "app/startup.h"
#include "assign/charass.h"
#include "files/textfile.h"
#include "platform/lazyform.h"
#include "platform/richtextbox.h"
#include "platform/textbox.h"
#include "store/filenames.h"
#include "store/store.h"
#include "support/file_faults.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::ReadLines;
using testing_support::WriteFile;

namespace {

std::string fileOfLines(int count, bool lastLineEnded = true) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "x\r\n";
    if (!lastLineEnded && count > 0) s.resize(s.size() - 2);
    return s;
}

}  // namespace

TEST(StartupCheck, ShortAssignmentFilesAreDeleted) {
    WriteFile(store::kAssignmentFile, fileOfLines(193));
    EXPECT_TRUE(app::CheckAssignmentFile());
    EXPECT_FALSE(textfile::exists(store::kAssignmentFile));

    WriteFile(store::kAssignmentFile, fileOfLines(194));
    EXPECT_FALSE(app::CheckAssignmentFile());
    EXPECT_TRUE(textfile::exists(store::kAssignmentFile));

    WriteFile(store::kAssignmentFile, "");
    EXPECT_TRUE(app::CheckAssignmentFile());

    // A last line without a line end counts, and so do lines ended by LF alone.
    WriteFile(store::kAssignmentFile, fileOfLines(194, false));
    EXPECT_FALSE(app::CheckAssignmentFile());
    std::string lf;
    for (int i = 0; i < 194; ++i) lf += "x\n";
    WriteFile(store::kAssignmentFile, lf);
    EXPECT_FALSE(app::CheckAssignmentFile());

    // A missing file is created, counted as empty and deleted again.
    textfile::remove(store::kAssignmentFile);
    EXPECT_TRUE(app::CheckAssignmentFile());
    EXPECT_FALSE(textfile::exists(store::kAssignmentFile));
}

TEST(StartupSequence, TheMainWindowsLoadReadsTwiceAndWritesOnce) {
    store::AbbRetrace = false;
    WriteFile(store::kOptionsFile, " 12 \r\n1\r\n1\r\n1\r\n");
    Form1().Load();
    EXPECT_EQ(store::AbbListVersion, 1);
    EXPECT_EQ(store::Io.reads, 2);
    EXPECT_EQ(store::Io.writes, 1);
    EXPECT_TRUE(CharAss().IsLoaded());
    EXPECT_FALSE(CharAss().Window()->isVisible());
    EXPECT_EQ(CharAss().LoadCount(), 1);
    // The flags in memory keep what the previous run left; the file now says
    // that both traced versions lag behind.
    EXPECT_TRUE(store::AbbRetrace);
    EXPECT_TRUE(store::BedRetrace);
    EXPECT_EQ(ReadLines(store::kOptionsFile), (std::vector<std::string>{" 12 ", "1", "1", "1"}));
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Unlock Uni");
    EXPECT_EQ(CharAss().Custom(16)->text(), "Custom16");
    EXPECT_EQ(ReadLines(store::kAssignmentFile).size(), 210u);
}

TEST(StartupSequence, TitlesFromTheFileNameTheCustomButtons) {
    std::vector<std::string> ls(192);
    ls.push_back("Arial");
    ls.push_back(" 0 ");
    ls.push_back("Greek set");
    WriteFile(store::kAssignmentFile, textfile::joinLines(ls));
    testing_support::MsgBoxRecorder boxes;  // the short file is kept aside before it is rewritten
    Form1().Load();
    EXPECT_EQ(boxes.count(), 1u);
    EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), textfile::joinLines(ls));
    EXPECT_EQ(CharAss().Custom(1)->text(), "Greek set");
    EXPECT_EQ(CharAss().Custom(2)->text(), "Custom2");
    EXPECT_EQ(CharAss().LockUniCB()->text(), "Lock Uni");
}

TEST(StartupSequence, ClosingTheMainWindowWritesTheSettingsAndEnds) {
    int ended = 0;
    platform::SetEndProgramHook([&] { ++ended; });
    Form1().Load();
    store::CellCode[65] = "\\u913?";
    const int writes = store::Io.writes;
    Form1().Window()->close();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(store::Io.writes, writes + 1);
    EXPECT_EQ(ReadLines(store::kAssignmentFile)[1], "\\u913?");
}

TEST(StartupSequence, AWriteFailureOnExitIsReported) {
    Form1().Load();
    // The options file's name is taken by a folder, so it cannot be written.
    textfile::remove(store::kOptionsFile);
    QDir().mkdir(store::kOptionsFile);
    testing_support::MsgBoxRecorder boxes;
    Form1().Quit_Click();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_EQ(boxes.calls()[0].title, "Runemill");
}

// The real program, twice: the second start leaves the first one's files alone.
TEST(SingleInstanceProgram, ASecondStartEndsWithoutTouchingAnyFile) {
    QTemporaryDir runtime, first, second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");

    // What a run that ended early left behind goes at the next start.
    const QString left = QDir(first.path()).filePath(QStringLiteral(".runemill-2147483647-1"));
    WriteFile(left.toStdString(), "left");

    QProcess one;
    one.setProcessEnvironment(env);
    one.setWorkingDirectory(first.path());
    one.start(RUNEMILL_BINARY, {});
    ASSERT_TRUE(one.waitForStarted());
    QElapsedTimer t;
    t.start();
    const QString optionsOfFirst = QDir(first.path()).filePath(store::kOptionsFile);
    while (!QFile::exists(optionsOfFirst) && t.elapsed() < 20000) QThread::msleep(50);
    ASSERT_TRUE(QFile::exists(optionsOfFirst));
    EXPECT_FALSE(QFile::exists(left));
    QThread::msleep(300);

    // A short assignment file in the second one's folder would be deleted by a
    // start that got as far as checking it.
    WriteFile(QDir(second.path()).filePath(store::kAssignmentFile).toStdString(), "x\r\n");
    QProcess two;
    two.setProcessEnvironment(env);
    two.setWorkingDirectory(second.path());
    two.start(RUNEMILL_BINARY, {});
    ASSERT_TRUE(two.waitForFinished(20000));
    EXPECT_EQ(two.exitCode(), 0);
    EXPECT_EQ(QDir(second.path()).entryList(QDir::Files), QStringList{store::kAssignmentFile});
    EXPECT_EQ(one.state(), QProcess::Running);

    one.kill();
    one.waitForFinished();
}

// A permissions mix-up must not cost the user the table: the file stays as it
// is and the failure is reported once.
TEST(StartupSequence, AnUnreadableAssignmentFileIsKept) {
    if (geteuid() == 0) GTEST_SKIP() << "every file is readable for root";
    std::vector<std::string> ls(192, "\\u945?");
    ls.push_back("Arial");
    ls.push_back(" 0 ");
    const std::string content = textfile::joinLines(ls);
    WriteFile(store::kAssignmentFile, content);
    QFile::setPermissions(store::kAssignmentFile, QFileDevice::Permissions());
    EXPECT_FALSE(app::CheckAssignmentFile());
    testing_support::MsgBoxRecorder boxes;
    Form1().Load();
    CharAss().Save_Click();
    QFile::setPermissions(store::kAssignmentFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(ReadFile(store::kAssignmentFile), content);
    EXPECT_EQ(boxes.count(), 1u);
}

TEST(StartupSequence, ASettingsWriteFailureIsReportedOnceUntilAWriteSucceeds) {
    Form1().Load();
    textfile::remove(store::kOptionsFile);
    QDir().mkdir(store::kOptionsFile);
    testing_support::MsgBoxRecorder boxes;
    CharAss().WriteINI();
    CharAss().WriteINI();
    EXPECT_EQ(boxes.count(), 1u);
    QDir().rmdir(store::kOptionsFile);
    CharAss().WriteINI();
    textfile::remove(store::kOptionsFile);
    QDir().mkdir(store::kOptionsFile);
    CharAss().WriteINI();
    EXPECT_EQ(boxes.count(), 2u);
}

namespace {

// A whole assignment file: 52 cells of page 1 hold Greek letters.
std::string tableFile(const std::string& face) {
    std::vector<std::string> ls(192);
    int n = 0;
    for (int code = 65; code <= 132 && n < 52; ++code) {
        if (!store::HasCell(code)) continue;
        ls[static_cast<size_t>(code - 64)] = "\\u" + std::to_string(913 + n++) + "?";
    }
    ls.push_back(face);
    ls.push_back(" 0 ");
    for (int i = 1; i <= 16; ++i) ls.push_back("Custom" + std::to_string(i));
    return textfile::joinLines(ls);
}

void freshStart() {
    platform::DestroyAllForms();
    store::ResetSharedState();
}

bool mentions(const dlg::MsgBoxCall& call, const std::string& text) {
    return call.prompt.find(text) != std::string::npos;
}

}  // namespace

// A brace in the face name would end the font table of every cell's document,
// every box would read back empty and the start-up would save an empty table.
TEST(StartupSettings, AFaceNameThatCannotStandInRtfKeepsTheTableAndTheFont) {
    for (const char* face : {"Ari}al", "Ar{ial", "Arial;}}{\\info"}) {
        freshStart();
        WriteFile(store::kAssignmentFile, tableFile(face));
        testing_support::MsgBoxRecorder boxes;
        Form1().Load();
        ASSERT_EQ(boxes.count(), 1u) << face;
        EXPECT_TRUE(mentions(boxes.calls()[0], std::string("\"") + store::kAssignmentFile + "\"")) << face;
        EXPECT_TRUE(mentions(boxes.calls()[0], std::string("\"") + face + "\"")) << face;
        EXPECT_TRUE(mentions(boxes.calls()[0], "\"Arial\" stays in use")) << face;
        // Every cell as it was; only the face line holds the font in use.
        EXPECT_EQ(ReadFile(store::kAssignmentFile), tableFile("Arial")) << face;
        EXPECT_EQ(CharAss().CellBox(65)->TextW(), QString::fromUtf8("Α"));
        EXPECT_EQ(store::CellFontName, "Arial");
    }
}

// A line or a name of a megabyte quoted from a file makes no message larger:
// the face name that cannot stand in RTF or is longer than a font's at start,
// a title that cannot name a set at its button. Each box fits the screen.
TEST(StartupSettings, AMegabyteNameOrLineIsQuotedCutAndEveryBoxFits) {
    const std::string megabyte(1000000, '{');
    std::string title = tableFile("Arial");
    title.replace(title.find("Custom1\r\n"), 7, std::string(1000000, 'T'));
    std::vector<dlg::MsgBoxCall> shown;
    const std::string letters = tableFile(std::string(1000000, 'a'));
    for (const auto& [file, command] : {std::pair<std::string, std::function<void()>>{tableFile(megabyte), [] {}},
                                        {letters, [] {}},
                                        {title, [] { CharAss().Custom_Click(1); }}}) {
        freshStart();
        WriteFile(store::kAssignmentFile, file);
        testing_support::MsgBoxRecorder boxes;
        Form1().Load();
        command();
        ASSERT_EQ(boxes.count(), 1u);
        shown.push_back(boxes.calls()[0]);
        EXPECT_LT(boxes.calls()[0].prompt.size(), 500u) << boxes.calls()[0].prompt.substr(0, 500);
        EXPECT_TRUE(mentions(boxes.calls()[0], std::string(40, file == title     ? 'T'
                                                               : file == letters ? 'a'
                                                                                 : '{') +
                                                   "..."));
        EXPECT_EQ(mentions(boxes.calls()[0], "No font has a name of more than 255 characters"), file == letters);
    }
    for (const dlg::MsgBoxCall& call : shown) {
        const testing_support::ShownBox box = testing_support::ShowInMessageBox(call.prompt);
        EXPECT_TRUE(box.onScreen) << box.frame.width() << "x" << box.frame.height();
    }
}

TEST(StartupBackup, AShortFileIsKeptAsideInsteadOfDeleted) {
    WriteFile(store::kAssignmentBackupFile, "an older backup");
    const std::string file = fileOfLines(193);
    WriteFile(store::kAssignmentFile, file);
    std::string notice;
    EXPECT_TRUE(app::CheckAssignmentFile(&notice));
    EXPECT_FALSE(textfile::exists(store::kAssignmentFile));
    EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), file);
    EXPECT_NE(notice.find("\"RUNEMILLINI.TXT\" holds 193 lines"), std::string::npos) << notice;
    EXPECT_NE(notice.find("\"RUNEMILLINI.TXT.bak\""), std::string::npos) << notice;
    EXPECT_NE(notice.find("empty symbol table"), std::string::npos) << notice;

    // The start goes on with the defaults and says nothing more.
    testing_support::MsgBoxRecorder boxes;
    Form1().Load();
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), file);
    EXPECT_EQ(ReadLines(store::kAssignmentFile).size(), 210u);
    EXPECT_EQ(store::CellFontName, "Arial");
}

TEST(StartupBackup, AnEmptyOrMissingFileLeavesTheBackupAlone) {
    WriteFile(store::kAssignmentBackupFile, "the backup");
    for (bool missing : {false, true}) {
        if (missing) textfile::remove(store::kAssignmentFile);
        else WriteFile(store::kAssignmentFile, "");
        std::string notice;
        EXPECT_TRUE(app::CheckAssignmentFile(&notice));
        EXPECT_EQ(notice, "");
        EXPECT_FALSE(textfile::exists(store::kAssignmentFile));
    }
    testing_support::MsgBoxRecorder boxes;
    Form1().Load();
    EXPECT_EQ(boxes.count(), 0u);
    EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), "the backup");
}

// A file of nothing but NUL bytes (what a crash can leave), line ends or
// blanks holds nothing of the user's: it goes as an empty one does, and a
// backup that holds a table stays.
TEST(StartupBackup, AFileWithoutTextLeavesTheBackupAlone) {
    std::string blankLines;
    for (int i = 0; i < 300; ++i) blankLines += " \r\n";
    for (const std::string& file : {std::string(4096, '\0'), std::string("\r\n"), blankLines}) {
        freshStart();
        WriteFile(store::kAssignmentBackupFile, "the backup");
        WriteFile(store::kAssignmentFile, file);
        std::string notice;
        app::CheckAssignmentFile(&notice);
        EXPECT_EQ(notice, "");
        testing_support::MsgBoxRecorder boxes;
        Form1().Load();
        EXPECT_EQ(boxes.count(), 0u) << (boxes.count() ? boxes.calls()[0].prompt : std::string());
        EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), "the backup") << "a file of " << file.size() << " bytes";
        EXPECT_EQ(ReadLines(store::kAssignmentFile).size(), 210u);
    }
}

// A file the program reads, but whose lines a rewrite would drop or shift.
TEST(StartupBackup, AFileThatIsNotWholeIsKeptBeforeItsFirstRewriteAndTheUserToldOnce) {
    std::string doubled = tableFile("Times New Roman");
    for (size_t at = doubled.find("\r\n"); at != std::string::npos; at = doubled.find("\r\n", at + 3))
        doubled.insert(at, 1, '\r');  // line ends converted twice: CR CR LF
    std::string withNul = tableFile("Arial");
    withNul[0] = '\0';
    const std::pair<std::string, std::string> cases[] = {{fileOfLines(194), "194 lines"},
                                                         {fileOfLines(209), "209 lines"},
                                                         {fileOfLines(211), "211 lines"},
                                                         {doubled, "420 lines"},
                                                         {withNul, "NUL bytes"}};
    for (const auto& [file, held] : cases) {
        freshStart();
        WriteFile(store::kAssignmentFile, file);
        std::string notice;
        EXPECT_FALSE(app::CheckAssignmentFile(&notice));
        EXPECT_EQ(notice, "");
        testing_support::MsgBoxRecorder boxes;
        Form1().Load();
        ASSERT_EQ(boxes.count(), 1u) << held;
        EXPECT_TRUE(mentions(boxes.calls()[0], "\"RUNEMILLINI.TXT\" did not hold the 210 lines")) << held;
        EXPECT_TRUE(mentions(boxes.calls()[0], "(it held " + held + ")")) << boxes.calls()[0].prompt;
        EXPECT_TRUE(mentions(boxes.calls()[0], "\"RUNEMILLINI.TXT.bak\"")) << held;
        EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), file) << held;
        EXPECT_EQ(ReadLines(store::kAssignmentFile).size(), 210u);
        // Later writes find a whole file: no second backup, no second word.
        CharAss().WriteINI();
        CharAss().WriteINI();
        EXPECT_EQ(boxes.count(), 1u) << held;
        EXPECT_EQ(ReadFile(store::kAssignmentBackupFile), file) << held;
    }
}

TEST(StartupBackup, AWholeFileIsRewrittenWithoutABackup) {
    std::string lfOnly = tableFile("Arial");
    for (size_t at = lfOnly.find('\r'); at != std::string::npos; at = lfOnly.find('\r', at)) lfOnly.erase(at, 1);
    for (const std::string& file : {tableFile("Arial"), lfOnly}) {
        freshStart();
        WriteFile(store::kAssignmentFile, file);
        Form1().Load();  // no message box is expected
        EXPECT_FALSE(textfile::exists(store::kAssignmentBackupFile));
        EXPECT_EQ(ReadFile(store::kAssignmentFile), tableFile("Arial"));
    }
}

// Whatever lies in place of a file the start reads ends in the window and a
// message that names it and says what it is; it stays as it is.
TEST(StartupSettings, NothingInPlaceOfAFileTheStartReadsHoldsTheStart) {
    for (const char* file : {store::kAssignmentFile, store::kOptionsFile, ".runemill-group-1-1"}) {
        for (const auto& [make, what] : testing_support::kNoFiles) {
            freshStart();
            testing_support::ClearFolder();
            if (make(file) != 0) continue;
            testing_support::MsgBoxRecorder boxes;
            app::CheckAssignmentFile();
            dlg::FinishInterruptedWrites();
            Form1().Load();
            ASSERT_EQ(boxes.count(), 1u) << file << what;
            EXPECT_TRUE(mentions(boxes.calls()[0], std::string(file) + "\": It ") && mentions(boxes.calls()[0], what))
                << boxes.calls()[0].prompt;
            EXPECT_EQ(QFileInfo(file).isDir(), std::string(what) == "folder");
        }
    }
}

// The program's own files are found, not chosen: one that is a link leading
// out of the working folder, or to another of them, is neither read nor
// written through, and the failure says where it leads. Through a start,
// typing, a list Save and the end, every file outside keeps its bytes.
TEST(OwnFiles, ALinkLeadingAstrayIsNeitherReadNorWrittenThrough) {
    QTemporaryDir outside;
    const auto there = [&](const std::string& name) {
        return outside.filePath(QString::fromStdString(name)).toStdString();
    };
    for (const std::string& name : store::FixedFileNames()) {
        WriteFile(there(name), "outside");
        const std::string to = name == store::kUndoListFile ? "UNDO9.TXT" : there(name);  // an own file, not there yet
        ASSERT_EQ(::symlink(to.c_str(), name.c_str()), 0);
        EXPECT_FALSE(textfile::readAll(name)) << name;
        EXPECT_TRUE(textfile::lastError().contains(QString::fromStdString(to + "\""))) << name;
    }
    testing_support::MsgBoxRecorder boxes;
    Form1().Load();
    ASSERT_EQ(boxes.count(), 1u);
    EXPECT_TRUE(mentions(boxes.calls()[0], "outside the working folder"));
    Form1().TEX()->SetText("typed");
    EXPECT_TRUE(Form1().Label1()->text().contains(QStringLiteral("UNDO1.TXT\": It is a symbolic link to")));
    EXPECT_FALSE(abbrev::SaveList("a=b"));
    Form1().Quit_Click();
    for (const std::string& name : store::FixedFileNames()) EXPECT_EQ(ReadFile(there(name)), "outside") << name;
}
