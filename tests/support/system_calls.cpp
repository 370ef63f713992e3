#include "support/system_calls.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

extern "C" int __real_fsync(int fd);
extern "C" int __real_rename(const char* from, const char* to);
extern "C" int __real_flock(int fd, int operation);

namespace testing_support {
namespace {

std::vector<SystemCall>* g_log = nullptr;
std::function<void()> g_beforeLock;

}  // namespace

void RecordSystemCalls(std::vector<SystemCall>* log) { g_log = log; }

BeforeNextLock::BeforeNextLock(std::function<void()> act) { g_beforeLock = std::move(act); }
BeforeNextLock::~BeforeNextLock() { g_beforeLock = nullptr; }

}  // namespace testing_support

using testing_support::SystemCall;

extern "C" int __wrap_fsync(int fd) {
    struct stat st {};
    if (testing_support::g_log && ::fstat(fd, &st) == 0) {
        char path[4096];
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        const ssize_t n = ::readlink(link.c_str(), path, sizeof path);
        testing_support::g_log->push_back({S_ISDIR(st.st_mode) ? SystemCall::Kind::FlushFolder
                                                               : SystemCall::Kind::FlushFile,
                                           std::string(path, n > 0 ? static_cast<size_t>(n) : 0), st.st_dev,
                                           st.st_ino});
    }
    return __real_fsync(fd);
}

extern "C" int __wrap_rename(const char* from, const char* to) {
    struct stat st {};
    const bool known = testing_support::g_log && ::lstat(from, &st) == 0;
    const int result = __real_rename(from, to);
    if (known && result == 0) testing_support::g_log->push_back({SystemCall::Kind::Rename, to, st.st_dev, st.st_ino});
    return result;
}

extern "C" int __wrap_flock(int fd, int operation) {
    if (auto act = std::exchange(testing_support::g_beforeLock, nullptr)) act();
    return __real_flock(fd, operation);
}
