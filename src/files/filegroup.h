#pragma once
// The one way the program replaces, renames and deletes files, and file steps
// that report which file failed and why. A group of changes is carried out as
// one: every new content is written to a temporary file in the folder of the
// file it replaces and flushed to the disk, the folder is flushed, then the
// temporaries are renamed over their files one right after another, then
// files are renamed in place or deleted. When any step fails, the steps
// already done are undone, so every file of the group keeps the content it
// had before. A replaced file keeps its permissions, a read-only one is not
// replaced, and a symbolic link stays while its target gets the new content.
// A single file written alone is the one-change case of a group. While the
// renames of a group of more than one change are under way, a record of them
// lies beside its first file, so that a run ended at any instant leaves files
// that FinishInterruptedGroups makes all old or all new (grouprecord.h).
// Names are Windows-1252 byte strings; a bare name is in the current folder.
//
// Whatever lies in a folder may come from a stranger: a file is read only when
// it is a regular file (opened so that a FIFO or a device cannot make the
// program wait) no longer than kMaxFileBytes, and one of the program's own
// files (SetOwnFiles) that is a symbolic link leading out of the working
// folder, or to another of them, is neither read nor written through.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A missing file is created empty; a regular file that is there is left as
// it is, a read-only one too. `created` tells which it was.
Result EnsureExists(std::string_view name, bool* created = nullptr);

// The length in bytes of a regular file.
Result Length(std::string_view name, std::int64_t& bytes);

// The whole of a regular file no longer than kMaxFileBytes.
Result ReadAll(std::string_view name, std::string& bytes);

// Removes the file; a missing file is no failure.
Result Remove(std::string_view name);

// Renames `from` to `to`, replacing a file of that name.
Result MoveOver(std::string_view from, std::string_view to);

// True when both names lead to one existing file (same device and inode), as
// two spellings of a name do on a file system that ignores letter case.
bool SameFile(std::string_view a, std::string_view b);

// The number of bytes the name takes in a directory entry.
std::size_t NameBytesOnDisk(std::string_view name);

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

struct Change {
    enum class Kind { Write, Move, Delete };
    Kind kind = Kind::Write;
    std::string name;   // the file written, the new name of a move, the file deleted
    std::string from;   // the old name of a move
    std::string bytes;  // the content written
    std::string copyOf;  // the file the content was read from

    static Change Write(std::string name, std::string bytes);
    // The content of `of` written to `name`: created new, it gets the
    // permissions of `of`.
    static Change Copy(std::string name, std::string bytes, std::string of);
    // A rename in place; `to` must be missing or the same file as `from`.
    static Change Move(std::string from, std::string to);
    static Change Delete(std::string name);
};

// Whether the new contents reach the disk (and the renames last) before the
// call returns. Files written at every keystroke (the undo ring, the
// conversion's snapshots) and scratch files are left to the system.
enum class Flush { ToDisk, Later };

// Carries out all changes or none: writes first (in the order given), then
// moves, then deletes. Before any of them, what the system would refuse
// (a folder, a read-only file, or anything else that is no regular file in
// the place of a file; a folder that cannot be written) refuses the group. The
// failure names the file of the first step that failed; if undoing a step
// fails too, the reason says so.
Result Apply(const std::vector<Change>& changes, Flush flush = Flush::ToDisk);

// Copies each source over its destination as one group.
Result CopyFiles(const std::vector<std::pair<std::string, std::string>>& fromTo);

// Run before anything reads the files of a folder (at start, and when a
// dialog makes another folder the current one): finishes every group whose
// record in `folder`, or whose record a pointer in `folder` names, no running
// process holds, as its record says, then
// removes the temporary files of processes that no longer run from that
// folder and the folders of those groups, and nothing else. A record whose
// steps cannot all be carried out is kept, with the temporaries it names, for
// the next try; the failures say which file and why.
// A step is carried out only where the program itself could have put it: a
// file of the record's own folder, or of a folder that holds a pointer to this
// very record; a pointer leads only to a record that names files of the
// pointer's folder. A record or pointer that asks anything else, is no regular
// file or is another user's, is carried out in no part and stays; its failure
// is `refused`.
std::vector<Failure> FinishInterruptedGroups(std::string_view folder = ".");

// Test hook. Every step above asks it first, with the kind of step and the
// file's name (a flush only when the content is flushed; a group's record as
// its path), and so does every sync of a folder (SyncFolder, with the
// folder's path); a reason returned makes the step fail with it (a folder
// synced after the renames changes nothing then). Undoing a group asks only
// for its record and its renames (with full paths), and goes on when told a
// step failed.
enum class Op { Create, Length, Read, Write, Flush, Rename, Delete, SyncFolder };
using FaultHook = std::function<std::optional<std::string>(Op, const std::string& name)>;
void SetFaultHook(FaultHook hook);

}  // namespace filegroup
