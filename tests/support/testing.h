#pragma once
// Shared helpers of the tests. Every test runs in a fresh temporary working
// directory with the shared store at its start values and no window loaded.
#include <QRect>
#include <QString>
#include <deque>
#include <map>
#include <ostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "files/textfile.h"
#include "platform/dialogs.h"
#include "support/system_calls.h"

namespace dlg {
inline void PrintTo(const MsgBoxCall& call, std::ostream* os) {
    *os << "{\"" << call.prompt << "\", " << call.style << ", \"" << call.title << "\"}";
}
}  // namespace dlg

namespace testing_support {

// Message boxes as shown: prompt, buttons and icon, title.
using Boxes = std::vector<dlg::MsgBoxCall>;

// The choices of a randomized test, the same on every run.
class Random {
public:
    explicit Random(unsigned seed) : rng_(seed) {}
    size_t Below(size_t n) { return n == 0 ? 0 : rng_() % n; }
    bool Chance(int percent) { return static_cast<int>(Below(100)) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& v) { return v[Below(v.size())]; }

private:
    std::mt19937 rng_;
};

// Answers message boxes in order and keeps every box shown. With no answer
// queued a box gets its first button (OK or Yes).
class MsgBoxRecorder {
public:
    MsgBoxRecorder();
    ~MsgBoxRecorder();
    void Answer(int answer) { answers_.push_back(answer); }
    const std::vector<dlg::MsgBoxCall>& calls() const { return calls_; }
    size_t count() const { return calls_.size(); }

private:
    std::deque<int> answers_;
    std::vector<dlg::MsgBoxCall> calls_;
};

// Makes every dialog, and every program started through the shell, fail the
// running test instead of waiting for a person.
void InstallUnexpectedDialogHooks();

// While it lives, files cannot grow beyond `bytes`: a write past that fails
// ("File too large"), as the program makes it fail instead of ending.
class DiskFull {
public:
    explicit DiskFull(unsigned long bytes = 64);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    unsigned long long oldLimit_ = 0;
};

// While it lives, every whole-file write of the file `name` fails at `step`
// (Write, Flush or Rename) with the error `error` (ENOSPC: "No space left on
// device").
class WriteFault {
public:
    WriteFault(std::string name, filegroup::Op step, int error);
    ~WriteFault();
    WriteFault(const WriteFault&) = delete;
    WriteFault& operator=(const WriteFault&) = delete;
};

// While it lives, records the steps of every whole-file write in order, as
// "write NAME", "flush NAME", "rename NAME" and "sync FOLDER" (in the working
// folder: bare names, ".", a group's record as "record").
class WriteLog {
public:
    WriteLog();
    ~WriteLog();
    WriteLog(const WriteLog&) = delete;
    WriteLog& operator=(const WriteLog&) = delete;
    // As the fault hook is asked, before each step.
    const std::vector<std::string>& steps() const { return steps_; }
    // As the system carried them out: "flush NAME" (a temporary file by the
    // name it was renamed to), "sync FOLDER", "rename NAME".
    std::vector<std::string> calls() const;
    // Whether the file was flushed to the disk before its rename, asked and
    // done (a link's target by its own name).
    bool Flushed(const std::string& name) const;

private:
    std::vector<std::string> steps_;
    std::vector<SystemCall> calls_;
};

// Every entry of the working folder (or `folder`), hidden ones included, with its
// bytes (a folder as "<folder>", a FIFO "<special>"), to compare before and after.
std::map<std::string, std::string> FolderContents(const QString& folder = {});

// The content of a file in the working directory, or nullopt when missing.
std::optional<std::string> ReadFile(const std::string& name);
void WriteFile(const std::string& name, const std::string& bytes);
std::vector<std::string> ReadLines(const std::string& name);
// `piece` `times` over.
std::string Repeated(const std::string& piece, std::size_t times);

// The path of the running test's working directory.
QString WorkDir();

// A prompt shown in a message box of the platform (no hook), answered with OK
// once open: the text its label shows, whether the label takes it as plain
// text and has room for it, and whether the box stands within the screen.
struct ShownBox {
    int answer = 0;
    QString shown;
    bool plain = false, textHasRoom = false, onScreen = false;
    QRect frame;
};
ShownBox ShowInMessageBox(const std::string& prompt);

}  // namespace testing_support
