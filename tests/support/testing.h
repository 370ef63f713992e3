#pragma once
// Shared helpers of the tests. Every test runs in a fresh temporary working
// directory with the shared store at its start values and no window loaded.
#include <QString>
#include <deque>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace testing_support {

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
// as on a full disk.
class DiskFull {
public:
    explicit DiskFull(unsigned long bytes = 64);
    ~DiskFull();
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;

private:
    unsigned long long oldLimit_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// The content of a file in the working directory, or nullopt when missing.
std::optional<std::string> ReadFile(const std::string& name);
void WriteFile(const std::string& name, const std::string& bytes);
std::vector<std::string> ReadLines(const std::string& name);

// The path of the running test's working directory.
QString WorkDir();

}  // namespace testing_support
