#include "files/filegroup.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "files/grouprecord.h"
#include "support/file_faults.h"
#include "support/testing.h"

using filegroup::Change;
using testing_support::CaseBlindFolder;
using testing_support::ExpectEachFailureChangesNothing;
using testing_support::FolderContents;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

// A group of every kind: one file replaced, one created, one deleted.
std::vector<Change> mixedGroup() {
    return {Change::Write("a.TXT", "new a\r\n"), Change::Write("b.TXT", "new b\r\n"), Change::Delete("c.TXT")};
}

void mixedFolder() {
    WriteFile("a.TXT", "old a\r\n");
    WriteFile("c.TXT", "old c\r\n");
    WriteFile("other.TXT", "untouched");
}

// Runs `step` in a child process that is killed right before it renames `name`.
void killedBeforeRenaming(const std::string& name, const std::function<void()>& step) {
    const pid_t child = ::fork();
    if (child == 0) {
        filegroup::SetFaultHook([&name](filegroup::Op op, const std::string& file) -> std::optional<std::string> {
            if (op == filegroup::Op::Rename && file == name) ::kill(::getpid(), SIGKILL);
            return std::nullopt;
        });
        step();
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
}

// The name of a temporary file of a process that runs: this one.
std::string runningTemporary() { return ".runemill-" + std::to_string(::getpid()) + "-999"; }

}  // namespace

TEST(FileGroup, AGroupReplacesCreatesAndDeletesAndLeavesNoTemporaryFile) {
    mixedFolder();
    EXPECT_FALSE(filegroup::Apply(mixedGroup()));
    const std::map<std::string, std::string> expected = {
        {"a.TXT", "new a\r\n"}, {"b.TXT", "new b\r\n"}, {"other.TXT", "untouched"}};
    EXPECT_EQ(FolderContents(), expected);
}

TEST(FileGroup, AFailureAtAnyStepLeavesEveryFileAsItWas) {
    const int steps = ExpectEachFailureChangesNothing(mixedFolder, [] { return filegroup::Apply(mixedGroup()); });
    // Two reads of old contents, two temporary writes and their flushes, the
    // record's write, flush and rename, two renames, one delete.
    EXPECT_EQ(steps, 12);
}

TEST(FileGroup, AMoveRenamesOneFileInPlaceAndIsUndoneOnFailure) {
    CaseBlindFolder caseBlind;
    const auto prepare = [] { WriteFile("MY SET.TXT", "set data"); };
    const auto move = [] {
        return filegroup::Apply({Change::Move("My set.TXT", "MY SET.TXT"), Change::Delete("gone.TXT")});
    };
    ExpectEachFailureChangesNothing(prepare, move);

    testing_support::ClearFolder();
    prepare();
    ASSERT_TRUE(filegroup::SameFile("My set.TXT", "my SET.txt"));
    EXPECT_FALSE(move());
    EXPECT_EQ(ReadFile("MY SET.TXT"), "set data");
}

TEST(FileGroup, AMoveOntoAnotherExistingFileIsRefused) {
    WriteFile("x.TXT", "x");
    WriteFile("y.TXT", "y");
    const auto failure = filegroup::Apply({Change::Move("x.TXT", "y.TXT")});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, "y.TXT");
    EXPECT_EQ(ReadFile("x.TXT"), "x");
    EXPECT_EQ(ReadFile("y.TXT"), "y");
}

// What the system would refuse (here a folder where the second file should
// go) refuses the group before its first rename.
TEST(FileGroup, ARealFailureNamesTheFileAndRenamesNothing) {
    WriteFile("a.TXT", "old a");
    QDir().mkdir(QStringLiteral("b.TXT"));
    const auto before = FolderContents();
    testing_support::WriteLog log;
    const auto failure = filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, "b.TXT");
    EXPECT_FALSE(failure->reason.empty());
    EXPECT_EQ(FolderContents(), before);
    EXPECT_TRUE(log.steps().empty()) << log.steps().front();
}

TEST(FileGroup, AReadOnlyFileIsNotReplacedAndAReplacedFileKeepsItsPermissions) {
    const auto modeOf = [](const char* name) {
        struct stat st {};
        EXPECT_EQ(::stat(name, &st), 0) << name;
        return st.st_mode & 07777;
    };
    const mode_t oldMask = ::umask(022);
    WriteFile("ro.TXT", "protected");
    ASSERT_EQ(::chmod("ro.TXT", 0444), 0);
    const auto before = FolderContents();
    const auto failure = filegroup::Apply({Change::Write("new.TXT", "n"), Change::Write("ro.TXT", "replaced")});
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->file, "ro.TXT");
    EXPECT_EQ(FolderContents(), before);
    EXPECT_EQ(modeOf("ro.TXT"), 0444u);

    WriteFile("shared.TXT", "old");
    ASSERT_EQ(::chmod("shared.TXT", 0664), 0);
    EXPECT_FALSE(filegroup::Apply({Change::Write("shared.TXT", "new"), Change::Write("fresh.TXT", "new")}));
    EXPECT_EQ(modeOf("shared.TXT"), 0664u);
    EXPECT_EQ(modeOf("fresh.TXT"), 0644u);  // as a plain create gives it
    ::umask(oldMask);
}

TEST(FileGroup, CopyFilesCopiesBytesExactly) {
    const std::string binary("\0\r\n\x81\xff no line end", 17);
    WriteFile("src.TXT", binary);
    WriteFile("src2.TXT", "");
    EXPECT_FALSE(filegroup::CopyFiles({{"src.TXT", "dst.TXT"}, {"src2.TXT", "dst2.TXT"}}));
    EXPECT_EQ(ReadFile("dst.TXT"), binary);
    EXPECT_EQ(ReadFile("dst2.TXT"), "");

    const auto missing = filegroup::CopyFiles({{"src.TXT", "d3.TXT"}, {"nothing.TXT", "d4.TXT"}});
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->file, "nothing.TXT");
    EXPECT_FALSE(ReadFile("d3.TXT"));
}

TEST(FileGroup, SingleStepsReportTheirFile) {
    bool created = false;
    EXPECT_FALSE(filegroup::EnsureExists("n.TXT", &created));
    EXPECT_TRUE(created);
    WriteFile("n.TXT", "12345");
    EXPECT_FALSE(filegroup::EnsureExists("n.TXT", &created));
    EXPECT_FALSE(created);
    EXPECT_EQ(ReadFile("n.TXT"), "12345");

    std::int64_t length = -1;
    EXPECT_FALSE(filegroup::Length("n.TXT", length));
    EXPECT_EQ(length, 5);
    const auto missing = filegroup::Length("none.TXT", length);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->file, "none.TXT");

    const auto noFolder = filegroup::EnsureExists("no folder/x.TXT");
    ASSERT_TRUE(noFolder);
    EXPECT_EQ(noFolder->file, "no folder/x.TXT");

    EXPECT_FALSE(filegroup::Remove("n.TXT"));
    EXPECT_FALSE(filegroup::Remove("n.TXT"));  // already gone
    EXPECT_FALSE(ReadFile("n.TXT"));
}

TEST(FileGroup, SameFileFollowsIdentityNotSpelling) {
    WriteFile("one.TXT", "1");
    WriteFile("two.TXT", "1");
    ASSERT_TRUE(QFile::link(QDir::current().filePath(QStringLiteral("one.TXT")), QStringLiteral("link.TXT")));
    EXPECT_TRUE(filegroup::SameFile("one.TXT", "one.TXT"));
    EXPECT_FALSE(filegroup::SameFile("one.TXT", "two.TXT"));
    EXPECT_FALSE(filegroup::SameFile("one.TXT", "ONE.TXT"));  // this folder tells case apart
    EXPECT_FALSE(filegroup::SameFile("one.TXT", "missing.TXT"));
    EXPECT_TRUE(filegroup::SameFile("one.TXT", "link.TXT"));
}

TEST(FileGroup, NamesAreMeasuredAsStoredOnDisk) {
    EXPECT_EQ(filegroup::NameBytesOnDisk("abc.TXT"), 7u);
    EXPECT_EQ(filegroup::NameBytesOnDisk("\xe9\x80.TXT"), 2u + 3u + 4u);  // é and € in UTF-8
}

// The next start removes what ended runs left (a temporary, a pointer whose
// record is gone), and only that: a temporary of a process that runs, other
// names, a record its writer holds, and records that cannot be finished (not
// whole, a folder missing) with the temporary they need stay.
TEST(FileGroupRecovery, OnlyTheTemporariesOfEndedRunsGo) {
    const std::string left = ".runemill-2147483647-";  // no process has this id
    const std::string here = testing_support::WorkDir().toStdString();
    for (const std::string& name : {left + "2", ".runemill-" + std::to_string(::getpid()) + "-1", left + "3.TXT",
                                    "a" + left + "4", std::string(".runemill-notes"), std::string("kept.TXT")})
        WriteFile(name, "kept");
    WriteFile(".runemill-group-1-1", "runemill file group\nrename " + here + "/" + left + "2 " + here + "/no/x\nend\n");
    WriteFile(".runemill-group-1-2", "runemill file group\nrename");
    WriteFile(".runemill-group-1-4", "runemill file group\ndelete /not/mounted/x\nend\n");
    WriteFile(".runemill-group-1-3", "runemill file group\ndelete " + here + "/kept.TXT\nend\n");
    const int held = ::open(".runemill-group-1-3", O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto expected = FolderContents();
    WriteFile(left + "1", "left by a crash");
    WriteFile(".runemill-group-1-5", "runemill file group elsewhere\n" + here + "/.runemill-group-1-9\nend\n");
    EXPECT_EQ(filegroup::FinishInterruptedGroups().size(), 3u);
    EXPECT_EQ(FolderContents(), expected);
    ::close(held);
}

// A group with files in two folders (here through a link) is finished from
// either: ended between its renames, the next start in either folder
// completes it and leaves nothing behind in both.
TEST(FileGroupRecovery, AGroupIsFinishedFromAnyOfItsFolders) {
    for (const char* start : {"sub", "."}) {
        testing_support::ClearFolder();
        QDir().mkdir(QStringLiteral("sub"));
        WriteFile("sub/a.TXT", "old a");
        ASSERT_TRUE(QFile::link(QStringLiteral("sub/a.TXT"), QStringLiteral("a.TXT")));
        killedBeforeRenaming("b.TXT", [] {
            filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")});
        });
        EXPECT_TRUE(filegroup::FinishInterruptedGroups(start).empty());
        const std::map<std::string, std::string> whole = {{"a.TXT", "new a"}, {"b.TXT", "new b"}, {"sub", "<folder>"}};
        EXPECT_EQ(FolderContents(), whole) << start;
        EXPECT_EQ(QDir(QStringLiteral("sub")).entryList(QDir::Files | QDir::Hidden), QStringList{"a.TXT"}) << start;
    }
}

// A record names the files of its own folder by their names alone: the
// folder moved between the run and the next start, the group is finished.
TEST(FileGroupRecovery, AGroupIsFinishedAfterItsFolderMoved) {
    QDir().mkdir(QStringLiteral("box"));
    WriteFile("box/a.TXT", "old a");
    killedBeforeRenaming("box/b.TXT", [] {
        filegroup::Apply({Change::Write("box/a.TXT", "new a"), Change::Write("box/b.TXT", "new b")});
    });
    ASSERT_TRUE(QDir().rename(QStringLiteral("box"), QStringLiteral("moved")));
    EXPECT_TRUE(filegroup::FinishInterruptedGroups("moved").empty());
    const std::map<std::string, std::string> whole = {{"a.TXT", "new a"}, {"b.TXT", "new b"}};
    EXPECT_EQ(FolderContents(QStringLiteral("moved")), whole);
}

// A record replaced after the next start opened it (its writer began to undo)
// is not the one read: nothing of it is done, and the new record stays.
TEST(FileGroupRecovery, ARecordReplacedSinceItWasOpenedIsNotCarriedOut) {
    const std::string temp = runningTemporary(), record = ".runemill-group-7-1";
    WriteFile("a.TXT", "old a");
    WriteFile(temp, "new a");
    WriteFile(record, "runemill file group\nrename " + temp + " a.TXT\nend\n");
    WriteFile("undo", "runemill file group\ndelete " + temp + "\nend\n");
    testing_support::BeforeNextLock replace([&] { ::rename("undo", record.c_str()); });
    EXPECT_TRUE(filegroup::FinishInterruptedGroups().empty());
    const std::map<std::string, std::string> untouched = {
        {"a.TXT", "old a"}, {temp, "new a"}, {record, "runemill file group\ndelete " + temp + "\nend\n"}};
    EXPECT_EQ(FolderContents(), untouched);
}

// The writer puts the pointers in place before the record: a run ended at any
// step of a group with files in two folders is finished as a whole.
TEST(FileGroupRecovery, AGroupInTwoFoldersEndedAtAnyStepIsWhole) {
    const auto prepare = [] {
        QDir().mkdir(QStringLiteral("sub"));
        WriteFile("sub/a.TXT", "old a");
        QFile::link(QStringLiteral("sub/a.TXT"), QStringLiteral("a.TXT"));
    };
    testing_support::ExpectEachCrashLeavesAllOldOrAllNew(
        prepare, [] { filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")}); });
}

// A record or pointer that asks what the program could not have put there is
// carried out in no part, stays, and is refused by name: nothing outside the
// program's own groups is renamed, replaced or deleted.
TEST(FileGroupRecovery, ARecordTouchesOnlyWhatTheProgramCouldHavePutThere) {
    const std::string here = testing_support::WorkDir().toStdString(), victim = here + "/victim/";
    const std::string group = "runemill file group\n", record = ".runemill-group-7-1", end = "\nend\n";
    const auto pointer = [](const std::string& to) { return "runemill file group elsewhere\n" + to + "\nend\n"; };
    const auto elsewhere = [&](const std::string& name, const std::string& text) { WriteFile(victim + name, text); };
    const std::pair<std::string, std::function<void()>> cases[] = {
        {group + "delete " + victim + "secret\nrename payload " + victim + "keep" + end, {}},
        {group + "rename " + victim + "id_rsa stolen" + end, {}},
        {group + "delete " + here + "/sub/../victim/secret" + end, {}},
        {group + "delete " + QByteArray::fromStdString(victim + "secret").toPercentEncoding().toStdString() + end, {}},
        {group + "rename sub moved" + end, {}},
        {group + "rename .runemill-2147483647-1 payload\ndelete payload\n",  // no end line, of an ended run
         [] { WriteFile(".runemill-2147483647-1", "temporary"); }},
        {pointer(victim + ".runemill-group-9"), [&] { elsewhere(".runemill-group-9", group + "delete secret" + end); }},
        {group + "delete " + victim + "secret" + end, [&] { elsewhere(".runemill-group-8", pointer(here + "/x")); }},
        {"", [&] { ::mkfifo(record.c_str(), 0644); }},
        {"", [&] { elsewhere("r", group + "delete secret" + end), ::symlink((victim + "r").c_str(), record.c_str()); }},
        {group + "delete payload" + end, [&] { ::chown(record.c_str(), 65534, 65534); }},
        {"", [&] { WriteFile(record, ""), ::truncate(record.c_str(), 3 << 20); }},
    };
    for (const auto& [text, make] : cases) {
        testing_support::ClearFolder();
        QDir().mkpath(QStringLiteral("victim")), QDir().mkpath(QStringLiteral("sub"));
        for (const char* name : {"victim/secret", "victim/keep", "victim/id_rsa", "payload"}) WriteFile(name, name);
        if (!text.empty()) WriteFile(record, text);
        if (make) make();
        const auto before = FolderContents(), victimBefore = FolderContents(QString::fromStdString(victim));
        const auto failures = filegroup::FinishInterruptedGroups();
        ASSERT_EQ(failures.size(), 1u) << text;
        EXPECT_TRUE(failures[0].refused) << failures[0].file << ": " << failures[0].reason;
        EXPECT_EQ(FolderContents(), before) << text;
        EXPECT_EQ(FolderContents(QString::fromStdString(victim)), victimBefore) << text;
    }
}
