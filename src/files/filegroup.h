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
// What a read takes, the failures, the program's own files and the test hook:
// filesystem.h.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/filesystem.h"

namespace filegroup {

// A missing file is created empty; a regular file that is there is left as
// it is, a read-only one too. `created` tells which it was.
Result EnsureExists(std::string_view name, bool* created = nullptr);

// The length in bytes of a regular file.
Result Length(std::string_view name, std::int64_t& bytes);

// The whole of a regular file within the bound's bytes.
Result ReadAll(std::string_view name, std::string& bytes, const ReadBound& bound = {});

// Removes the file; a missing file is no failure.
Result Remove(std::string_view name);

// Renames `from` to `to`, replacing a file of that name.
Result MoveOver(std::string_view from, std::string_view to);

// The number of bytes the name takes in a directory entry.
std::size_t NameBytesOnDisk(std::string_view name);

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

// Copies each source over its destination as one group; a source is read
// within its bound.
struct CopyStep {
    std::string from, to;
    ReadBound bound = {};
};
Result CopyFiles(const std::vector<CopyStep>& steps);

}  // namespace filegroup
