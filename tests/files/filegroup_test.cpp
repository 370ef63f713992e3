#include "files/filegroup.h"

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>

#include "files/grouprecord.h"
#include "files/recordkey.h"
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

// Records and pointers as the program writes them, with this user's check.
const std::string kGroup = "0123456789abcdef0123456789abcdef", kOtherGroup = "fedcba9876543210fedcba9876543210";
std::string sealed(const std::string& text) {
    QByteArray out;
    EXPECT_FALSE(filegroup::detail::Seal(QByteArray::fromStdString(text), out));
    return out.toStdString();
}
std::string record(const std::string& steps, const std::string& group = kGroup) {
    return sealed("runemill file group\nid " + group + "\n" + steps + "end\n");
}
std::string pointer(const std::string& to, const std::string& group = kGroup) {
    return sealed("runemill file group elsewhere\n" + to + "\nid " + group + "\nend\n");
}

// Runs `step` in a child process under another user's id; false when it
// failed there. Only root may take another id: elsewhere the case is skipped.
bool asAnotherUser(const std::function<bool()>& step) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && step() ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

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

// What the system would refuse refuses the group before its first step: a
// folder, or a file longer than the program reads, where the second file
// should go, or a folder its user may not write.
TEST(FileGroup, ARealFailureNamesTheFileAndRenamesNothing) {
    // The second file's folder is compared by its names: a file longer than
    // the program reads is not read here either.
    const auto refusedBeforeAnyStep = [](const std::string& second, const std::string& why) {
        const QString folder = QFileInfo(QString::fromStdString(second)).path();
        const auto names = [&] { return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System); };
        const auto subBefore = FolderContents(QStringLiteral("sub"));
        const QStringList namesBefore = names();
        testing_support::WriteLog log;
        const auto failure = filegroup::Apply({Change::Write("sub/a.TXT", "new a"), Change::Write(second, "new b")});
        return failure && failure->file == second && failure->reason.find(why) != std::string::npos &&
               FolderContents(QStringLiteral("sub")) == subBefore && names() == namesBefore && log.steps().empty();
    };
    QDir().mkdir(QStringLiteral("sub"));
    WriteFile("sub/a.TXT", "old a");
    QDir().mkdir(QStringLiteral("b.TXT"));
    EXPECT_TRUE(refusedBeforeAnyStep("b.TXT", "a folder"));
    QDir().mkdir(QStringLiteral("big"));
    ASSERT_EQ(::truncate(::close(::creat("big/b.TXT", 0644)) == 0 ? "big/b.TXT" : "", filegroup::kMaxFileBytes + 1), 0);
    EXPECT_TRUE(refusedBeforeAnyStep("big/b.TXT", "more than the program reads"));
    if (::geteuid() != 0) GTEST_SKIP() << "a folder its user may not write needs another user";
    QDir().mkdir(QStringLiteral("ro"));
    ASSERT_EQ(::chmod(".", 0755) | ::chmod("sub", 0777) | ::chmod("sub/a.TXT", 0666), 0);
    EXPECT_TRUE(asAnotherUser([&] { return refusedBeforeAnyStep("ro/b.TXT", "Permission denied"); }));
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
// record is gone), and only that: a temporary of a process that runs or of
// another user, other names, a record its writer holds, and records that
// cannot be finished (not whole, a folder missing) with the temporary they
// need stay.
TEST(FileGroupRecovery, OnlyTheTemporariesOfEndedRunsGo) {
    if (::geteuid() != 0) GTEST_SKIP() << "another user's temporary needs root";
    const std::string left = ".runemill-2147483647-";  // no process has this id
    const std::string here = testing_support::WorkDir().toStdString();
    for (const std::string& name : {left + "2", ".runemill-" + std::to_string(::getpid()) + "-1", left + "3.TXT",
                                    "a" + left + "4", std::string(".runemill-notes"), std::string("kept.TXT")})
        WriteFile(name, "kept");
    ASSERT_EQ(::chmod(".", 0777), 0);
    ASSERT_TRUE(asAnotherUser([&] { return ::close(::creat((left + "5").c_str(), 0644)) == 0; }));
    WriteFile(".runemill-group-1-1", record("rename " + here + "/" + left + "2 " + here + "/no/x\n"));
    WriteFile(".runemill-group-1-2", "runemill file group\nrename");
    WriteFile(".runemill-group-1-4", record("delete /not/mounted/x\n"));
    WriteFile(".runemill-group-1-3", record("delete " + here + "/kept.TXT\n"));
    const int held = ::open(".runemill-group-1-3", O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const auto expected = FolderContents();
    WriteFile(left + "1", "left by a crash");
    WriteFile(".runemill-group-1-5", pointer(here + "/.runemill-group-1-9"));
    EXPECT_EQ(filegroup::FinishInterruptedGroups().size(), 3u);
    EXPECT_EQ(FolderContents(), expected);
    ::close(held);
}

// A group with files in two folders (here through a link) is finished from
// either: ended between its renames, the next start in either folder
// completes it and leaves nothing behind in both. Run to its end, it leaves
// nothing behind either.
TEST(FileGroupRecovery, AGroupIsFinishedFromAnyOfItsFolders) {
    for (const char* start : {"", "sub", "."}) {
        testing_support::ClearFolder();
        QDir().mkdir(QStringLiteral("sub"));
        WriteFile("sub/a.TXT", "old a");
        ASSERT_TRUE(QFile::link(QStringLiteral("sub/a.TXT"), QStringLiteral("a.TXT")));
        const auto apply = [] { filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")}); };
        if (*start) {
            killedBeforeRenaming("b.TXT", apply);
            EXPECT_TRUE(filegroup::FinishInterruptedGroups(start).empty());
        } else {
            apply();
        }
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
// is not the one read: nothing of it is done, and the new record stays. One
// its writer holds locked is not touched while the group is under way.
TEST(FileGroupRecovery, ARecordInUseIsNotCarriedOut) {
    const std::string temp = runningTemporary(), name = ".runemill-group-7-1";
    WriteFile("a.TXT", "old a");
    WriteFile(temp, "new a");
    WriteFile(name, record("rename " + temp + " a.TXT\n"));
    WriteFile("undo", record("delete " + temp + "\n"));
    const std::string undo = *ReadFile("undo");
    testing_support::BeforeNextLock replace([&] { ::rename("undo", name.c_str()); });
    EXPECT_TRUE(filegroup::FinishInterruptedGroups().empty());
    const std::map<std::string, std::string> untouched = {{"a.TXT", "old a"}, {temp, "new a"}, {name, undo}};
    EXPECT_EQ(FolderContents(), untouched);

    testing_support::ClearFolder();
    WriteFile("a.TXT", "old a");
    std::optional<std::map<std::string, std::string>> underWay;  // a.TXT, two temporaries, the record
    filegroup::SetFaultHook([&](filegroup::Op op, const std::string& file) -> std::optional<std::string> {
        if (op == filegroup::Op::Rename && file == "a.TXT" && !underWay && (underWay = FolderContents())) {
            EXPECT_TRUE(filegroup::FinishInterruptedGroups().empty() && FolderContents() == *underWay);
        }
        return std::nullopt;
    });
    EXPECT_FALSE(filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")}));
    filegroup::SetFaultHook(nullptr);
    EXPECT_EQ(underWay.value().size(), 4u);
    EXPECT_EQ(FolderContents(), (std::map<std::string, std::string>{{"a.TXT", "new a"}, {"b.TXT", "new b"}}));
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

// Only a record this user's program wrote is carried out: one without its
// check (a stranger's, or one written before records had it) or with a wrong
// one is carried out in no part, stays, and is refused by name and why. Even
// a checked one acts only on files of its own folder or of one that holds a
// pointer to this very group, moves no folder and reaches nothing through a
// link that one of its steps moved; one that names a folder that is not
// there is not carried out until it is. Nothing outside the program's own groups
// is renamed, replaced or deleted.
TEST(FileGroupRecovery, ARecordTouchesOnlyWhatTheProgramCouldHavePutThere) {
    const std::string here = testing_support::WorkDir().toStdString(), victim = here + "/victim/";
    const std::string name = ".runemill-group-7-1", ended = ".runemill-2147483647-1";
    const std::string unchecked = "does not carry the check", noPointer = "holds no pointer to it",
                      throughLink = "which an earlier step of it renames";
    const auto elsewhere = [&](const std::string& file, const std::string& text) { WriteFile(victim + file, text); };
    const auto dirLink = [&] { ::symlink((here + "/victim").c_str(), "dirlink"); };
    const auto temporary = [&] { WriteFile(ended, "temporary"); };
    const std::string linkSteps = "rename dirlink nowhere\ndelete " + here + "/nowhere/secret\nrename " + here +
                                  "/payload " + here + "/nowhere/keep\nrename " + here + "/nowhere/id_rsa " + here +
                                  "/stolen\n";
    struct Case {
        std::string text;
        std::function<void()> make;
        std::string why;
        bool refused = true;  // else it fails for now, to be tried again
    };
    const Case cases[] = {
        {"runemill file group\n" + linkSteps + "end\n", dirLink, unchecked},
        {"runemill file group\ndelete thesis.txt\nend\n", {}, unchecked},  // as versions before the check wrote them
        {"runemill file group\nid " + kGroup + "\ndelete thesis.txt\nend\ncheck " + std::string(64, 'a') + "\n", {},
         "Its check is not the one"},
        {record("delete payload\n") + "delete thesis.txt\n", {}, unchecked},
        {record(linkSteps), dirLink, throughLink},
        {record("rename dirlink a\nrename a b\ndelete " + here + "/./b/secret\n"), dirLink, throughLink},
        {record("rename dirlink nowhere\ndelete " + here + "/alias/secret\n"),
         [&] { dirLink(), ::symlink("nowhere", "alias"); }, "No such file or directory", false},
        {record("delete " + victim + "secret\nrename payload " + victim + "keep\n"), {}, noPointer},
        {record("rename " + ended + " " + victim + "keep\n"), temporary, noPointer},
        {record("rename " + victim + "id_rsa stolen\n"), {}, noPointer},
        {record("delete " + here + "/sub/../victim/secret\n"), {}, noPointer},
        {record("delete " + QByteArray::fromStdString(victim + "secret").toPercentEncoding().toStdString() + "\n"), {},
         noPointer},
        {record("delete " + victim + "secret\n"),
         [&] { elsewhere(".runemill-group-8", pointer(here + "/" + name, kOtherGroup)); }, noPointer},
        {record("rename sub moved\n"), {}, "would move the folder"},
        {sealed("runemill file group\nid " + kGroup + "\nrename " + ended + " payload\ndelete payload\n"), temporary,
         "no whole record"},
        {pointer(victim + ".runemill-group-9"), [&] { elsewhere(".runemill-group-9", record("delete secret\n")); },
         "names no file there"},
        {pointer(victim + ".runemill-group-9"),
         [&] {
             elsewhere(".runemill-group-9", record("rename " + here + "/dirlink " + here + "/nowhere\ndelete " + here +
                                                   "/nowhere/secret\n"));
             dirLink();
         },
         throughLink},
        {pointer(victim + ".runemill-group-9", kOtherGroup),
         [&] { elsewhere(".runemill-group-9", record("delete " + here + "/payload\n")); }, "written for another group"},
        {"", [&] { ::mkfifo(name.c_str(), 0644); }, "FIFO"},
        {"", [&] { elsewhere("r", record("delete secret\n")), ::symlink((victim + "r").c_str(), name.c_str()); },
         "symbolic link"},
        {record("delete payload\n"), [&] { ::chown(name.c_str(), 65534, 65534); }, "another user"},
        {"", [&] { WriteFile(name, record("delete payload\n")), ::truncate(name.c_str(), (1 << 20) + 1); },
         "more than the program reads"},
    };
    for (const auto& [text, make, why, refused] : cases) {
        testing_support::ClearFolder();
        QDir().mkpath(QStringLiteral("victim")), QDir().mkpath(QStringLiteral("sub"));
        for (const char* file : {"victim/secret", "victim/keep", "victim/id_rsa", "payload", "thesis.txt"})
            WriteFile(file, file);
        if (!text.empty()) WriteFile(name, text);
        if (make) make();
        const auto before = FolderContents(), victimBefore = FolderContents(QString::fromStdString(victim));
        const auto failures = filegroup::FinishInterruptedGroups();
        ASSERT_EQ(failures.size(), 1u) << text;
        EXPECT_EQ(failures[0].refused, refused) << failures[0].file << ": " << failures[0].reason;
        EXPECT_NE(failures[0].reason.find(why), std::string::npos) << why << " / " << failures[0].reason;
        EXPECT_EQ(FolderContents(), before) << text;
        EXPECT_EQ(FolderContents(QString::fromStdString(victim)), victimBefore) << text;
    }
}

// The key that checks the records is the user's alone: one that others may
// read, or a link in its place, checks nothing and keeps nothing.
TEST(FileGroupRecovery, AKeyOthersCouldKnowChecksNothing) {
    const QByteArray key = filegroup::detail::RecordKeyPath();
    WriteFile("a.TXT", "old a");
    WriteFile(".runemill-group-7-1", record("delete a.TXT\n"));
    ASSERT_EQ(::chmod(key.constData(), 0644), 0);
    const auto failures = filegroup::FinishInterruptedGroups();
    const auto refused = filegroup::Apply({Change::Write("a.TXT", "new a"), Change::Write("b.TXT", "new b")});
    ASSERT_EQ(::chmod(key.constData(), 0600), 0);
    for (const std::string& reason : {failures.at(0).reason, refused.value().reason})
        EXPECT_NE(reason.find("Other users may read it"), std::string::npos) << reason;
    EXPECT_EQ(ReadFile("a.TXT"), "old a");
    EXPECT_TRUE(filegroup::FinishInterruptedGroups().empty());
    EXPECT_FALSE(ReadFile("a.TXT"));
}
