#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <thread>

#include "files/textfile.h"
#include "store/filenames.h"
#include "support/testing.h"

using testing_support::ReadFile;
using testing_support::WriteFile;
using V = std::vector<std::string>;

TEST(TextFileLines, LineEndsAreCrLfLoneCrAndLoneLf) {
    EXPECT_EQ(textfile::splitLines("ab\r\ncd"), (V{"ab", "cd"}));
    EXPECT_EQ(textfile::splitLines("ab\r\n"), (V{"ab"}));
    EXPECT_EQ(textfile::splitLines("ab\rcd\nef"), (V{"ab", "cd", "ef"}));
    EXPECT_EQ(textfile::splitLines("\r\n"), (V{""}));
    EXPECT_EQ(textfile::splitLines("\r\n\r\n"), (V{"", ""}));
    EXPECT_EQ(textfile::splitLines(""), V{});
}

TEST(TextFileLines, LoneLfCanStayInsideTheLine) {
    EXPECT_EQ(textfile::splitLines("a\nb\r\nc\rd", textfile::LoneLf::StaysInLine), (V{"a\nb", "c", "d"}));
}

TEST(TextFileLines, CountingStopsAtTheLimitAndCountsAnUnendedLastLine) {
    WriteFile("f.txt", "a\r\nb\r\nc");
    EXPECT_EQ(textfile::countLines("f.txt", 100), 3);
    EXPECT_EQ(textfile::countLines("f.txt", 2), 2);
    WriteFile("lf.txt", "a\nb\n");
    EXPECT_EQ(textfile::countLines("lf.txt", 100), 2);
    WriteFile("empty.txt", "");
    EXPECT_EQ(textfile::countLines("empty.txt", 100), 0);
    EXPECT_EQ(textfile::countLines("missing.txt", 100), -1);
}

// A file of a kind the program reads within a bound: every read refuses a
// longer one, naming the file, its size and the bound, and every write that
// would make one leaves the file as it was.
TEST(TextFileBounds, ReadsAndWritesStayWithinTheBoundAndSaySo) {
    const filegroup::ReadBound bound{10, 2, "the program reads of a test file"};
    const std::string refusal = "Cannot read \"f.txt\": It holds 11 bytes (11 bytes), more than the program reads "
                                "of a test file (10 bytes)";
    WriteFile("f.txt", "a\r\nbb\r\ncccc");
    textfile::clearLastError();
    EXPECT_FALSE(textfile::readAll("f.txt", bound));
    EXPECT_EQ(textfile::lastError().toStdString(), refusal);
    EXPECT_FALSE(textfile::readLines("f.txt", textfile::LoneLf::EndsLine, SIZE_MAX, bound));
    EXPECT_EQ(textfile::lastError().toStdString(), refusal);
    EXPECT_EQ(textfile::countLines("f.txt", 100, bound), -1);

    // Lines past the bound are counted for the message, none of them kept.
    WriteFile("f.txt", "a\nb\nc\nd");
    EXPECT_FALSE(textfile::readLines("f.txt", textfile::LoneLf::EndsLine, SIZE_MAX, bound));
    EXPECT_EQ(textfile::lastError().toStdString(),
              "Cannot read \"f.txt\": It holds 4 lines, more than the program reads of a test file (2 lines)");
    EXPECT_EQ(textfile::readLines("f.txt", textfile::LoneLf::EndsLine, 2, bound), (V{"a", "b"}));
    WriteFile("f.txt", "a\nb");
    EXPECT_EQ(textfile::readLines("f.txt", textfile::LoneLf::EndsLine, SIZE_MAX, bound), (V{"a", "b"}));

    EXPECT_FALSE(textfile::append("f.txt", "\nc", bound));
    EXPECT_EQ(textfile::lastError().toStdString(),
              "Cannot write \"f.txt\": It would hold 3 lines, more than the program reads of a test file (2 lines)");
    EXPECT_FALSE(textfile::writeAtomic("f.txt", std::string(11, 'x'), textfile::Flush::ToDisk, bound));
    EXPECT_EQ(textfile::lastError().toStdString(), "Cannot write \"f.txt\": It would hold 11 bytes (11 bytes), more "
                                                   "than the program reads of a test file (10 bytes)");
    EXPECT_EQ(ReadFile("f.txt"), "a\nb");
}

TEST(TextFileBounds, SizesAreRoundedUpSoThatNoneReadsAsTheBoundPastIt) {
    const std::pair<std::int64_t, const char*> sizes[] = {
        {1, "1 byte"},        {1023, "1023 bytes"},      {4096, "4 KB"},  {5000, "4.9 KB"},
        {(4 << 20) + 1, "4.1 MB"}, {std::int64_t{512} << 20, "512 MB"}, {(std::int64_t{512} << 20) - 1, "512 MB"},
        {std::int64_t{3} << 29, "1.5 GB"}};
    for (const auto& [bytes, words] : sizes) EXPECT_EQ(filegroup::SizeInWords(bytes), words) << bytes;
}

TEST(TextFileBounds, AQuotedNameKeepsItsEndsAndNeverGrowsWithTheFile) {
    EXPECT_EQ(filegroup::ShortQuote(std::string(80, 'a')), std::string(80, 'a'));
    const std::string path = std::string(1 << 20, 'd').insert(0, "/").append("/RUNEMILLINI.TXT");
    const std::string quoted = filegroup::ShortQuote(path);
    EXPECT_EQ(quoted, std::string(39, 'd').insert(0, "/").append("...").append(24, 'd').append("/RUNEMILLINI.TXT"));
    // A name the disk gives is quoted so in the last error too.
    textfile::clearLastError();
    EXPECT_FALSE(textfile::readAll(path));
    EXPECT_LT(textfile::lastError().size(), 200);
    EXPECT_NE(textfile::lastError().indexOf(QString::fromStdString(quoted)), -1);
}

TEST(TextFileWrite, LinesAreWrittenWithCrLfThenAppendedAndRemoved) {
    ASSERT_TRUE(textfile::writeLinesAtomic("a.txt", {"x", "", "\xb5"}));
    EXPECT_EQ(ReadFile("a.txt"), "x\r\n\r\n\xb5\r\n");
    ASSERT_TRUE(textfile::append("a.txt", "more\r\n"));
    EXPECT_EQ(textfile::length("a.txt"), 14);
    EXPECT_TRUE(textfile::remove("a.txt"));
    EXPECT_FALSE(textfile::exists("a.txt"));
    EXPECT_EQ(textfile::length("a.txt"), -1);
}

TEST(TextFileWrite, EnsureExistsCreatesButNeverChanges) {
    EXPECT_TRUE(textfile::ensureExists("new.txt"));
    EXPECT_EQ(ReadFile("new.txt"), "");
    WriteFile("old.txt", "keep");
    EXPECT_TRUE(textfile::ensureExists("old.txt"));
    EXPECT_EQ(ReadFile("old.txt"), "keep");
}

// A file the user made read-only (or a folder on a read-only medium) is there
// to be read: making sure a file exists must not need to write it. A child
// process shows it, as a user other than root where the tests run as root.
TEST(TextFileWrite, EnsureExistsTakesAReadOnlyFileAsItIs) {
    char folder[] = "/tmp/runemill-readonly-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/list.txt";
    WriteFile(file, "ab=about\r\n");
    chmod(file.c_str(), 0444);
    chmod(folder, 0555);
    const pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(textfile::ensureExists(file) ? 0 : textfile::lastError().contains(QStringLiteral("list.txt")) ? 1 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    chmod(folder, 0755);
    EXPECT_EQ(ReadFile(file), "ab=about\r\n");
    QDir(QString::fromLocal8Bit(folder)).removeRecursively();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A disk that fills up while a file is written: the old file must stay whole.
TEST(TextFileWrite, AFailedWriteKeepsTheOldFile) {
    WriteFile("keep.txt", "old content\r\n");
    bool ok = true;
    {
        testing_support::DiskFull full(64);
        ok = textfile::writeAtomic("keep.txt", std::string(1000, 'x'));
    }
    EXPECT_FALSE(ok);
    EXPECT_FALSE(textfile::lastError().isEmpty());
    EXPECT_EQ(ReadFile("keep.txt"), "old content\r\n");
}

// The message names both files before the reason, as the user reads it.
TEST(TextFileWrite, AFailedMoveNamesBothFilesThenTheReason) {
    EXPECT_FALSE(textfile::moveOver("missing.txt", "kept.bak"));
    EXPECT_EQ(textfile::lastError().toStdString(),
              "Cannot move \"missing.txt\" to \"kept.bak\": No such file or directory");
}

TEST(TextFileNames, AnsiNamesReachTheFileSystem) {
    ASSERT_TRUE(textfile::writeAtomic("Gr\xfc\xdf.TXT", "x"));
    EXPECT_TRUE(textfile::exists("Gr\xfc\xdf.TXT"));
    EXPECT_EQ(ReadFile("Gr\xfc\xdf.TXT"), "x");
    // The temporary file's name fits wherever the file's own name does.
    const std::string longest = std::string(251, 'n') + ".TXT";
    ASSERT_TRUE(textfile::writeAtomic(longest, "y")) << textfile::lastError().toStdString();
    EXPECT_EQ(ReadFile(longest), "y");
}

namespace {
std::vector<filegroup::Change> group() {
    using filegroup::Change;
    return {Change::Write("l.txt", "L"), Change::Write("a.txt", "A"), Change::Write("b.txt", "B")};
}
}  // namespace

// Files that belong together are all written and flushed, with the folder,
// before the record of their renames, which is on the disk before the first
// rename; the renames follow one right after another, then the folder is
// synced again.
TEST(TextFileGroup, AllAreFlushedBeforeTheFirstRename) {
    testing_support::WriteLog log;
    ASSERT_TRUE(textfile::writeAtomicGroup(group()));
    EXPECT_EQ(log.steps(), (std::vector<std::string>{"write l.txt", "flush l.txt", "write a.txt", "flush a.txt",
                                                      "write b.txt", "flush b.txt", "sync .", "write record",
                                                      "flush record", "rename record", "sync .", "rename l.txt",
                                                      "rename a.txt", "rename b.txt", "sync ."}));
    // The system's own flushes, not only the steps asked first; the record
    // is removed, and the folder synced, at the end.
    EXPECT_EQ(log.calls(), (std::vector<std::string>{"flush l.txt", "flush a.txt", "flush b.txt", "sync .",
                                                      "flush record", "rename record", "sync .", "rename l.txt",
                                                      "rename a.txt", "rename b.txt", "sync .", "sync ."}));
    EXPECT_EQ(ReadFile("l.txt"), "L");
    EXPECT_EQ(ReadFile("b.txt"), "B");
}

// A failed rename puts back the files renamed before it.
TEST(TextFileGroup, AFailedStepReplacesNoneAndLeavesNoTemporary) {
    for (const char* failing : {"l.txt", "b.txt"}) {
        for (auto step : {filegroup::Op::Write, filegroup::Op::Flush, filegroup::Op::Rename}) {
            WriteFile("l.txt", "old list\r\n");
            WriteFile("a.txt", "old abb\r\n");
            WriteFile("b.txt", "old bed\r\n");
            const auto before = testing_support::FolderContents();
            {
                testing_support::WriteFault full(failing, step, ENOSPC);
                EXPECT_FALSE(textfile::writeAtomicGroup(group()));
            }
            EXPECT_EQ(testing_support::FolderContents(), before) << failing << " " << static_cast<int>(step);
            EXPECT_NE(textfile::lastError().indexOf(QStringLiteral("No space left on device")), -1);
            EXPECT_NE(textfile::lastError().indexOf(QString::fromLatin1(failing)), -1);
        }
    }
}

// The folder's sync before the first rename fails like a file's flush.
TEST(TextFileGroup, AFolderThatCannotBeSyncedReplacesNone) {
    WriteFile("l.txt", "old list\r\n");
    const auto before = testing_support::FolderContents();
    {
        testing_support::WriteFault broken(testing_support::WorkDir().toStdString(), filegroup::Op::SyncFolder, EIO);
        EXPECT_FALSE(textfile::writeAtomicGroup(group()));
    }
    EXPECT_EQ(testing_support::FolderContents(), before);
    EXPECT_NE(textfile::lastError().indexOf(QStringLiteral("Input/output error")), -1);
}

TEST(TextFileWrite, WholeFileWritesFlushUnlessToldOtherwise) {
    testing_support::WriteLog log;
    ASSERT_TRUE(textfile::writeAtomic("user.txt", "x"));
    ASSERT_TRUE(textfile::writeAtomic("scratch.txt", "y", textfile::Flush::Later));
    ASSERT_FALSE(filegroup::CopyFiles({{"user.txt", "copy.txt"}}));
    EXPECT_TRUE(log.Flushed("user.txt"));
    EXPECT_TRUE(log.Flushed("copy.txt"));
    EXPECT_FALSE(log.Flushed("scratch.txt"));
    EXPECT_EQ(log.calls(), (std::vector<std::string>{"flush user.txt", "sync .", "rename user.txt", "sync .",
                                                      "rename scratch.txt", "flush copy.txt", "sync .",
                                                      "rename copy.txt", "sync ."}));
    EXPECT_EQ(ReadFile("scratch.txt"), "y");
}

TEST(TextFileWrite, AReplacedFileKeepsItsPermissionsAndALinkItsTarget) {
    WriteFile("target.txt", "old");
    ASSERT_TRUE(QFile::setPermissions(QStringLiteral("target.txt"), QFile::ReadOwner | QFile::WriteOwner));
    const auto permissions = QFile::permissions(QStringLiteral("target.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("target.txt"), QStringLiteral("link.txt")));
    ASSERT_TRUE(QFile::link(QStringLiteral("link.txt"), QStringLiteral("chain.txt")));  // a link to the link
    for (const char* name : {"link.txt", "chain.txt"}) {
        ASSERT_TRUE(textfile::writeAtomic(name, name));
        EXPECT_TRUE(QFileInfo(QStringLiteral("link.txt")).isSymLink());
        EXPECT_TRUE(QFileInfo(QStringLiteral("chain.txt")).isSymLink());
        EXPECT_EQ(ReadFile("target.txt"), name);
        EXPECT_EQ(QFile::permissions(QStringLiteral("target.txt")), permissions);
    }
}

// One of the program's own files swapped, from another thread, between a
// file and a link to a file outside the folder while the program creates,
// writes and reads it: nothing is written out there, and nothing of it read.
TEST(TextFileWrite, ANameSwappedForALinkNeverLeadsOutOfTheFolder) {
    const QTemporaryDir outsideFolder;
    const std::string outside = outsideFolder.filePath(QStringLiteral("private")).toStdString();
    WriteFile(outside, "private");
    const std::string name = store::kOptionsFile;
    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop) {
            ::symlink(outside.c_str(), "swap.lnk");
            ::rename("swap.lnk", name.c_str());
            ::close(::creat("swap.txt", 0644));
            ::rename("swap.txt", name.c_str());
        }
    });
    for (int i = 0; i < 3000; ++i) {
        textfile::writeAtomic(name, "mine");
        textfile::ensureExists(name);
        const auto read = textfile::readAll(name);
        const auto lines = textfile::readLines(name);
        EXPECT_TRUE(!read || read->find("private") == std::string::npos);
        EXPECT_TRUE(!lines || lines->empty() || lines->front() == "mine");
    }
    stop = true;
    swapper.join();
    EXPECT_EQ(ReadFile(outside), "private");
}

// A write past the user's file-size limit ends a process by default. The
// program fails that write instead; a child process shows both.
TEST(TextFileWrite, AWritePastTheFileSizeLimitFailsInsteadOfEndingTheProgram) {
    WriteFile("keep.txt", "old content\r\n");
    const auto before = testing_support::FolderContents();
    auto runChild = [](bool failWrites) {
        const pid_t child = fork();
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_DFL);
            if (failWrites) textfile::FailWritesPastSizeLimit();
            struct rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 64;
            setrlimit(RLIMIT_FSIZE, &limit);
            const bool written = textfile::writeAtomic("keep.txt", std::string(4096, 'x'));
            const bool reported = textfile::lastError().contains(QStringLiteral("File too large")) &&
                                  textfile::lastError().contains(QStringLiteral("keep.txt"));
            _exit(written ? 1 : reported ? 0 : 2);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    };
    const int ended = runChild(false);
    ASSERT_TRUE(WIFSIGNALED(ended));
    EXPECT_EQ(WTERMSIG(ended), SIGXFSZ);
    // What the killed process left half-written is its temporary file alone.
    for (const QString& left : QDir::current().entryList({QStringLiteral(".runemill-*")}, QDir::Files | QDir::Hidden))
        QFile::remove(left);
    EXPECT_EQ(testing_support::FolderContents(), before);

    const int status = runChild(true);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(testing_support::FolderContents(), before);
}
