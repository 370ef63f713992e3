#pragma once
// Sequential text files as the program uses them. Names are Windows-1252 byte
// strings; a bare name resolves in the current working directory. Lines end in
// CR LF when written; when read, a line ends at CR LF, at a lone CR and (unless
// asked otherwise) at a lone LF, so a file saved by a Linux editor still reads
// as lines. Whole-file writes go through a temporary file and a rename, so a
// crash or a full disk never leaves a file short; the user's files are flushed
// to the disk before the rename, so that not even a power loss right after a
// save can leave one empty.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace textfile {

QString qpath(std::string_view name);

bool exists(std::string_view name);

// Opens the file for appending and closes it: creates it empty when missing.
bool ensureExists(std::string_view name);

// Byte length, or -1 when the file is missing or unreadable.
std::int64_t length(std::string_view name);

std::optional<std::string> readAll(std::string_view name);

enum class LoneLf { EndsLine, StaysInLine };

// Splits text into lines the way a line-by-line reader sees it: a last line
// without a line end counts; an empty text has no lines.
std::vector<std::string> splitLines(std::string_view text, LoneLf lf = LoneLf::EndsLine);

// Reads the whole file as lines; nullopt when it cannot be read.
std::optional<std::vector<std::string>> readLines(std::string_view name,
                                                  LoneLf lf = LoneLf::EndsLine);

// Counts lines but stops at `limit`, so a huge file costs nothing; -1 when
// the file cannot be read.
std::int64_t countLines(std::string_view name, std::int64_t limit);

// Each line followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

// Whether a whole-file write waits until its bytes are on the disk before the
// file is replaced. Files written at every keystroke (the undo ring, the
// conversion's snapshots) and scratch files are left to the system.
enum class Flush { ToDisk, Later };

bool writeAtomic(std::string_view name, std::string_view bytes, Flush flush = Flush::ToDisk);
bool writeLinesAtomic(std::string_view name, const std::vector<std::string>& lines, Flush flush = Flush::ToDisk);

// Files that belong together (the list and its two trace copies): all are
// written to temporary files and flushed to the disk before the first is
// renamed, and the renames follow one right after another. A failed write
// replaces none of them.
struct FileBytes {
    std::string name;
    std::string bytes;
};
bool writeAtomicGroup(const std::vector<FileBytes>& files);

bool append(std::string_view name, std::string_view bytes);
bool remove(std::string_view name);

// Renames `from` to `to`, replacing a file of that name.
bool moveOver(std::string_view from, std::string_view to);

// Replaces `to` by a copy of `from` (atomically); false when `from` is missing.
bool copyOver(std::string_view from, std::string_view to);

// Whether the name ends in ".TXT", in either letter case.
bool endsWithTxt(std::string_view name);

// A readable reason for the last failure of this module.
QString lastError();

// A write past the user's file-size limit fails with an error the program
// reports, instead of the signal ending the process with the data unsaved.
void FailWritesPastSizeLimit();

// For tests: runs before each step of a whole-file write with the step and
// the file's name; an errno value other than 0 makes that step fail with it
// (ENOSPC for a full disk, say).
enum class WriteStep { Write, Flush, Rename };
void SetWriteFaultHook(std::function<int(WriteStep step, std::string_view name)> hook);

}  // namespace textfile
