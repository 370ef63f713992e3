#pragma once
// The file steps as the system itself sees them. The test programs are linked
// with fsync, rename and flock wrapped (tests/CMakeLists.txt), so that a test
// sees the flushes that really reach the disk, not only the fault hook asked
// before them, and can act at the instant a file is locked.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

struct SystemCall {
    enum class Kind { FlushFile, FlushFolder, Rename };
    Kind kind;
    std::string path;  // the file or folder flushed (as the system names it then), a rename's destination
    dev_t dev;         // the file flushed or renamed
    ino_t ino;
};

// Appends every flush and rename to `log` from now on; nullptr stops.
void RecordSystemCalls(std::vector<SystemCall>* log);

// While it lives, `act` runs once, right before the next lock is taken on a
// file.
class BeforeNextLock {
public:
    explicit BeforeNextLock(std::function<void()> act);
    ~BeforeNextLock();
    BeforeNextLock(const BeforeNextLock&) = delete;
    BeforeNextLock& operator=(const BeforeNextLock&) = delete;
};

}  // namespace testing_support
