#pragma once
// Failing file steps on purpose, and looking at the whole working folder
// before and after, for the tests of steps that must change all files or none.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <string>

#include "files/ansi.h"
#include "files/filegroup.h"
#include "files/grouprecord.h"
#include "files/textfile.h"
#include "support/testing.h"

namespace testing_support {

// Empties the working folder (it stays the current directory).
inline void ClearFolder() {
    QDir dir(QDir::currentPath());
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink()) QDir(entry.filePath()).removeRecursively();
        else QFile::remove(entry.filePath());
    }
}

// What may lie in place of a file, with a word of its refusal; `make` gives 0
// when it made it (a device needs root).
inline const std::pair<int (*)(const char*), const char*> kNoFiles[] = {
    {[](const char* f) { return ::mkfifo(f, 0644); }, "FIFO"},
    {[](const char* f) { return ::mknod(f, S_IFCHR | 0644, makedev(1, 5)); }, "device"},
    {[](const char* f) { return ::mkdir(f, 0755); }, "folder"},
    {[](const char* f) { return ::close(::creat(f, 0644)) | ::truncate(f, filegroup::kMaxFileBytes + 1); }, " bytes"}};

// While it lives, the file step number `failAt` (counting from 1) fails with
// the reason "Injected fault"; 0 fails none. It counts the steps it saw; the
// syncs of folders are no steps here (WriteFault fails them).
class FailFileStep {
public:
    explicit FailFileStep(int failAt = 0) {
        filegroup::SetFaultHook([this, failAt](filegroup::Op op, const std::string& name) {
            if (op == filegroup::Op::SyncFolder || ++steps_ != failAt) return std::optional<std::string>();
            failedFile_ = name;
            return std::optional<std::string>("Injected fault");
        });
    }
    ~FailFileStep() { filegroup::SetFaultHook(nullptr); }
    FailFileStep(const FailFileStep&) = delete;
    FailFileStep& operator=(const FailFileStep&) = delete;
    int steps() const { return steps_; }
    const std::string& failedFile() const { return failedFile_; }

private:
    int steps_ = 0;
    std::string failedFile_;
};

// While it lives, every name is stored on disk in capitals, so the folder
// acts as a file system that ignores letter case.
class CaseBlindFolder {
public:
    CaseBlindFolder() {
        textfile::SetNameHook([](const std::string& name) { return ansi::toUpper(name); });
    }
    ~CaseBlindFolder() { textfile::SetNameHook(nullptr); }
    CaseBlindFolder(const CaseBlindFolder&) = delete;
    CaseBlindFolder& operator=(const CaseBlindFolder&) = delete;
};

// Runs `step` once with each of its file steps failing in turn (after
// `prepare` set the folder up each time) and expects every run to report the
// failed file and to leave the folder exactly as it was. Returns how many
// file steps a complete run takes.
inline int ExpectEachFailureChangesNothing(const std::function<void()>& prepare,
                                           const std::function<filegroup::Result()>& step) {
    for (int failAt = 1;; ++failAt) {
        ClearFolder();
        prepare();
        const auto before = FolderContents();
        FailFileStep fault(failAt);
        const filegroup::Result result = step();
        if (fault.steps() < failAt) {
            EXPECT_FALSE(result.has_value()) << "a run without a fault failed";
            return failAt - 1;
        }
        EXPECT_TRUE(result.has_value()) << "step " << failAt << " failed but the failure was not reported";
        if (result) {
            EXPECT_EQ(result->file, fault.failedFile()) << "step " << failAt;
            EXPECT_NE(result->reason.find("Injected fault"), std::string::npos) << "step " << failAt;
        }
        EXPECT_EQ(FolderContents(), before) << "step " << failAt << " (" << fault.failedFile() << ") changed files";
    }
}

// Runs `step` in a child process whose file step number `failAt` fails (0:
// none) and which is killed at step number `killAt`, counting every step the
// hook sees, folder syncs too. True when the child ended by itself.
inline bool RunUntilKilled(const std::function<void()>& step, int killAt, int failAt = 0) {
    const pid_t child = ::fork();
    if (child == 0) {
        int steps = 0;
        filegroup::SetFaultHook([&](filegroup::Op, const std::string&) -> std::optional<std::string> {
            if (++steps == killAt) ::kill(::getpid(), SIGKILL);
            if (steps == failAt) return std::string("Injected fault");
            return std::nullopt;
        });
        step();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return !WIFSIGNALED(status);
}

// Kills `step` at each of its file steps in turn (after `prepare`), then runs
// the next start's recovery: the folder must be as before the step or as a
// whole run leaves it, nothing left over, both seen. Again with the last
// rename failing, so that the kills fall into its undo.
inline void ExpectEachCrashLeavesAllOldOrAllNew(const std::function<void()>& prepare,
                                                const std::function<void()>& step) {
    ClearFolder();
    prepare();
    const auto before = FolderContents();
    int lastRename = 0, steps = 0;
    filegroup::SetFaultHook([&](filegroup::Op op, const std::string&) -> std::optional<std::string> {
        if (++steps && op == filegroup::Op::Rename) lastRename = steps;
        return std::nullopt;
    });
    step();
    filegroup::SetFaultHook(nullptr);
    const auto after = FolderContents();
    bool allOld = false, allNew = false;
    for (int failAt : {0, lastRename}) {
        for (int killAt = failAt + 1;; ++killAt) {
            ClearFolder();
            prepare();
            const bool ended = RunUntilKilled(step, killAt, failAt);
            EXPECT_TRUE(filegroup::FinishInterruptedGroups().empty());
            const auto now = FolderContents();
            EXPECT_TRUE(now == before || (now == after && !(ended && failAt)))
                << "step " << failAt << " failing, killed at step " << killAt;
            (now == before ? allOld : allNew) = true;
            if (ended) break;
        }
    }
    EXPECT_TRUE(allOld && allNew);
}

}  // namespace testing_support
