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
#include <cstddef>
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

    // The file in quotes (its name cut as ShortQuote cuts it), then why:
    // "\"RUNEMILLINI.TXT\": The file is read-only."
    std::string Message() const;
};

// Empty when the step worked.
using Result = std::optional<Failure>;

// What the program reads of one kind of file, fitted to what it does with it,
// so that no file costs more memory or time than its use: one longer than
// `bytes` is refused before a byte of it is read, one of more than `lines`
// lines (paragraphs of a rich text document) before what it holds is taken
// in. `reads` completes the refusal: "more than the list editor holds".
struct ReadBound {
    std::int64_t bytes = kMaxFileBytes;
    std::size_t lines = SIZE_MAX;
    const char* reads = "the program reads";
};

// A number of bytes in words for the user: "4 KB", "4.1 MB"; rounded up, so
// that a file past a bound (a round number) never reads as the bound.
std::string SizeInWords(std::int64_t bytes);
// Why a file is refused: "It holds 5000 bytes (4.9 KB), more than the program
// reads of an options file (4 KB)", or with `written`, "It would hold ...".
std::string PastBytes(std::int64_t bytes, const ReadBound& bound, bool written = false);
// "It holds 150000 lines, more than the list editor holds (100000 lines)".
std::string PastLines(std::size_t count, const ReadBound& bound, const char* unit = "lines", bool written = false);
// A write that would leave `name` longer than the program reads of it fails
// instead, so that the program never writes a file it then refuses.
Result WithinBound(std::string_view name, std::int64_t bytes, const ReadBound& bound);
// The refusal of a file of `count` lines (or another unit) past the bound's,
// as read or, with `written`, as it would be written.
Result WithinLines(std::string_view name, std::size_t count, const ReadBound& bound, const char* unit = "lines",
                   bool written = false);

// What a message quotes of a name, path or line that comes from a file or the
// disk: the text when it has at most kQuotedChars characters; else its first
// and last characters with "..." between, kQuotedChars in all, so that no
// message grows with what a file holds.
inline constexpr std::size_t kQuotedChars = 80;
std::string ShortQuote(std::string_view text);
// The same in double quotes.
std::string Quoted(std::string_view text);

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
// this user's, no longer than the bound's bytes; `name` names it in a failure.
// `flags` are added to the open's (O_NOFOLLOW: a link is refused); a
// relative path is taken in the folder open at `at`.
Result openForReading(const QByteArray& path, std::string_view name, int flags, const ReadBound& bound, bool ownOnly,
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
// until `take` returns false. Both read only a file within the bound's bytes.
Result ensureExists(std::string_view name, bool* created, bool ask);
Result length(std::string_view name, std::int64_t& bytes, bool ask);
Result readAll(std::string_view name, std::string& bytes, bool ask, const ReadBound& bound);
Result readPieces(std::string_view name, const std::function<bool(std::string_view piece)>& take, bool ask,
                  const ReadBound& bound);

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
