#pragma once
// The file system as the file layer sees it, beneath the text files, the file
// groups and their records: failures that say which file and why, the test
// hooks, the paths names have on disk, the system calls, the one open of every
// read, and the program's own files. Names are Windows-1252 byte strings; a
// bare name is in the current folder. Paths are native bytes.
//
// Whatever lies in a folder may come from a stranger: a file is read only when
// it is a regular file (opened so that a FIFO or a device cannot make the
// program wait) no longer than kMaxFileBytes, and one of the program's own
// files (SetOwnFiles) that is a symbolic link leading out of the working
// folder, or to another of them, is neither read nor written through.
#include <fcntl.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace textfile {

// The path a name has on disk.
QString qpath(std::string_view name);

// For tests: gives the spelling a name has on disk (a test uses it to act as
// a file system that ignores letter case).
void SetNameHook(std::function<std::string(const std::string& name)> hook);

}  // namespace textfile

namespace filegroup {

// The longest file the program reads: eight bytes for each of the 64 MB that
// a conversion works with, the longest form the rich text writer gives one
// byte of text, so that every file the program writes for a text it converts
// can be read back. A longer file is refused before a byte of it is read.
inline constexpr std::int64_t kMaxFileBytes = std::int64_t{512} << 20;

struct Failure {
    std::string file;    // the name as the program spells it (Windows-1252)
    std::string reason;  // what the system said (Windows-1252)
    // False when undoing a failed group failed too: a file named in the
    // reason was left with its new content.
    bool filesKept = true;
    // A record of a group that the program could not have written as it
    // stands: nothing of it was carried out.
    bool refused = false;
};

// Empty when the step worked.
using Result = std::optional<Failure>;

// True when both names lead to one existing file (same device and inode), as
// two spellings of a name do on a file system that ignores letter case.
bool SameFile(std::string_view a, std::string_view b);

// The program's own files: bare names in the working folder, found there
// rather than chosen by the user.
void SetOwnFiles(std::vector<std::string> names);

// Where a write of `name` lands when that is no place for it: a file outside
// the working folder (`ownFile` empty), or one of the program's own files
// other than `name` itself.
struct Astray {
    std::string target;   // the path the name leads to
    std::string ownFile;  // the own file it is
};
std::optional<Astray> LeadsAstray(std::string_view name);

// Test hook. Every step of the file layer asks it first, with the kind of step
// and the file's name (a flush only when the content is flushed; a group's
// record as its path), and so does every sync of a folder (SyncFolder, with
// the folder's path); a reason returned makes the step fail with it (a folder
// synced after the renames changes nothing then). Undoing a group asks only
// for its record and its renames (with full paths), and goes on when told a
// step failed.
enum class Op { Create, Length, Read, Write, Flush, Rename, Delete, SyncFolder };
using FaultHook = std::function<std::optional<std::string>(Op, const std::string& name)>;
void SetFaultHook(FaultHook hook);

namespace detail {

// Asks the test hook whether this step is to fail.
Result injected(Op op, std::string_view name);
Failure systemFailure(std::string_view name, int error);
// Why a file of this kind (st_mode) is not read or replaced.
std::string notRegular(mode_t mode);

// The name a native path has in the program's spelling (Windows-1252).
std::string spelled(const QByteArray& path);
QByteArray nativePath(std::string_view name);
QByteArray absolutePath(const QByteArray& path);
QByteArray folderOf(const QByteArray& path);

// Opens `path` for reading without ever waiting on it, as a FIFO or a device
// would make a plain open wait: only a regular file, and (`ownOnly`) one of
// this user's, no longer than `bound` bytes; `name` names it in a failure.
// `flags` are added to the open's (O_NOFOLLOW: a link is refused); a
// relative path is taken in the folder open at `at`.
Result openForReading(const QByteArray& path, std::string_view name, int flags, std::int64_t bound, bool ownOnly,
                      int& fd, std::int64_t& length, int at = AT_FDCWD);
// Reads what the file held when it was opened (`length` bytes; fewer when it
// has shrunk since, never more).
Result readOpened(int fd, std::int64_t length, std::string& bytes, std::string_view name);

// The file a read or write of `name` acts on: the name's path with every
// symbolic link followed once, here (a write keeps the link and gives its
// last target the content). Every later step acts on that path without
// following a link again, so a name swapped for a link meanwhile is refused
// or replaced, never followed. One of the program's own files that leads
// where no file of the program belongs is refused.
Result resolve(std::string_view name, QByteArray& path);

// filegroup's EnsureExists, Length and ReadAll, asking the test hook first
// only when `ask` is set (the text file module's own steps are not asked);
// readPieces reads as ReadAll does, handing the file over in pieces, in order,
// until `take` returns false.
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

}  // namespace detail

}  // namespace filegroup
