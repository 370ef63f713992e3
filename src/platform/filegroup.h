#pragma once
// File steps that report which file failed and why, and a group of file
// changes carried out as one: every new content is written to a temporary
// file in the destination's folder first, then the temporaries are renamed
// over their destinations, then files are renamed in place or deleted. When
// any step fails, the steps already done are undone, so every file of the
// group keeps the content it had before. A replaced file keeps its
// permissions, and a read-only one is not replaced.
// Names are Windows-1252 byte strings; a bare name is in the current folder.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace filegroup {

struct Failure {
    std::string file;    // the name as the program spells it (Windows-1252)
    std::string reason;  // what the system said (Windows-1252)
    // False when undoing a failed group failed too: a file named in the
    // reason was left with its new content.
    bool filesKept = true;
};

// Empty when the step worked.
using Result = std::optional<Failure>;

// Opens the file for appending and closes it: a missing file is created
// empty, an existing one keeps its content. `created` tells which it was.
Result EnsureExists(std::string_view name, bool* created = nullptr);

// The length in bytes.
Result Length(std::string_view name, std::int64_t& bytes);

Result ReadAll(std::string_view name, std::string& bytes);

// Removes the file; a missing file is no failure.
Result Remove(std::string_view name);

// True when both names lead to one existing file (same device and inode), as
// two spellings of a name do on a file system that ignores letter case.
bool SameFile(std::string_view a, std::string_view b);

// The number of bytes the name takes in a directory entry.
std::size_t NameBytesOnDisk(std::string_view name);

struct Change {
    enum class Kind { Write, Move, Delete };
    Kind kind = Kind::Write;
    std::string name;   // the file written, the new name of a move, the file deleted
    std::string from;   // the old name of a move
    std::string bytes;  // the content written

    static Change Write(std::string name, std::string bytes);
    // A rename in place; `to` must be missing or the same file as `from`.
    static Change Move(std::string from, std::string to);
    static Change Delete(std::string name);
};

// Carries out all changes or none: writes first (in the order given), then
// moves, then deletes. The failure names the file of the first step that
// failed; if undoing a step fails too, the reason says so.
Result Apply(const std::vector<Change>& changes);

// Copies each source over its destination as one group.
Result CopyFiles(const std::vector<std::pair<std::string, std::string>>& fromTo);

// Test hooks. Every step above asks the fault hook first, with the kind of
// step and the file's name; a reason returned makes the step fail with it.
// Undoing a group does not ask. The name hook gives the spelling a name has
// on disk (a test uses it to act as a file system that ignores letter case).
enum class Op { Create, Length, Read, Write, Rename, Delete };
using FaultHook = std::function<std::optional<std::string>(Op, const std::string& name)>;
using NameHook = std::function<std::string(const std::string& name)>;
void SetFaultHook(FaultHook hook);
void SetNameHook(NameHook hook);

}  // namespace filegroup
