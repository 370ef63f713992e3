#pragma once
// Inside the file group module: the system steps its two files share, and the
// record of a group under way (grouprecord.cpp). Paths are native bytes and
// absolute, so that a record still names its files when the current folder
// has changed.
//
// While the renames of a group are under way, a record beside its first file
// lists the renames and deletions that make the group whole, in order. It is
// written only once every new content is flushed under its temporary name,
// and it is itself written to a temporary, flushed, renamed into place and its
// folder synced, so a record is either whole or absent. Whoever finds a whole
// record carries it out: every rename whose source is still there and every
// deletion whose file is still there; a missing source means the step was
// done (its content was on the disk before the record was). So finishing a
// record only ever goes one way. When a step of the group fails, the writer
// first replaces the record, in one rename, by the reverse steps (flushed
// copies of the old contents renamed back, created files deleted, moves
// moved back), so that an undo cut short is finished as an undo. The writer
// holds a lock on the record while it lives; a record nobody holds belongs to
// a run that ended before its group did. Each other folder of the group holds
// a pointer to the record, so that the group is finished from wherever the
// next start looks first; a pointer whose record is gone is stale.
#include <QByteArray>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "files/filegroup.h"

namespace filegroup::detail {

// Asks the test hook whether this step is to fail.
Result injected(Op op, std::string_view name);
Failure systemFailure(std::string_view name, int error);

// The name a native path has in the program's spelling (Windows-1252).
std::string spelled(const QByteArray& path);
QByteArray nativePath(std::string_view name);
QByteArray absolutePath(const QByteArray& path);
QByteArray folderOf(const QByteArray& path);

// Opens `path` for reading without ever waiting on it, as a FIFO or a device
// would make a plain open wait: only a regular file, and (`ownOnly`) one of
// this user's, no longer than `bound` bytes; `name` names it in a failure.
// `flags` are added to the open's (O_NOFOLLOW: a link is refused).
Result openForReading(const QByteArray& path, std::string_view name, int flags, std::int64_t bound, bool ownOnly,
                      int& fd, std::int64_t& length);
// Reads what the file held when it was opened (`length` bytes; fewer when it
// has shrunk since, never more).
Result readOpened(int fd, std::int64_t length, std::string& bytes, std::string_view name);

// EnsureExists, Length and ReadAll, asking the test hook first only when
// `ask` is set (the text file module's own steps are not asked); readPieces
// reads as ReadAll does, handing the file over in pieces, in order, until
// `take` returns false.
Result ensureExists(std::string_view name, bool* created, bool ask);
Result length(std::string_view name, std::int64_t& bytes, bool ask);
Result readAll(std::string_view name, std::string& bytes, bool ask);
Result readPieces(std::string_view name, const std::function<bool(std::string_view piece)>& take, bool ask);

// The system calls, each returning the error (0 when it worked).
int renameFile(const QByteArray& from, const QByteArray& to);
int unlinkFile(const QByteArray& path);  // a missing file counts as removed
int writeAll(int fd, std::string_view bytes);

// Creates a temporary file beside `target` (".runemill-" with this process's
// id and a count), open for writing; -errno when it cannot.
int createTemporary(const QByteArray& target, QByteArray& temp);

// The flushes of a file's content and of a folder's names to the disk. The
// test hook is asked first when `ask` is set (Op::Flush with the file's name,
// Op::SyncFolder with the folder's path). A folder that cannot be opened or
// synced on its file system is no failure.
Result flushFile(int fd, std::string_view name, bool ask);
Result syncFolder(const QByteArray& folder, bool ask);

struct Step {
    enum class Kind { Rename, Delete };
    Kind kind = Kind::Rename;
    QByteArray from;  // a rename's source
    QByteArray path;  // a rename's destination, or the file deleted

    static Step Rename(QByteArray from, QByteArray to) { return {Kind::Rename, std::move(from), std::move(to)}; }
    static Step Delete(QByteArray path) { return {Kind::Delete, {}, std::move(path)}; }
};

// Carries out the steps not done yet, as finishing a record does; one failure
// for each step that could not be carried out. With `ask`, the hook is asked
// before each rename and deletion, with the destination's path.
std::vector<Failure> perform(const std::vector<Step>& steps, bool ask);

class Record {
public:
    Record() = default;
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;
    ~Record() { end(); }

    // Puts the record of `steps` in place in `folder`; the hook is asked for
    // its write, flush, rename and folder sync. On failure no record is left.
    Result begin(const QByteArray& folder, const std::vector<Step>& steps);
    // Replaces the steps recorded by `steps` in one rename (the start of an
    // undo; the hook is asked as for begin).
    Result replace(const std::vector<Step>& steps);
    // Removes the record, for good, and lets go of it.
    void end();

private:
    Result place(const std::vector<Step>& steps, bool ask);

    QByteArray folder_, path_;
    std::vector<QByteArray> pointers_;  // to the record, in the group's other folders
    std::vector<int> locks_;            // the open records, locked
};

}  // namespace filegroup::detail
