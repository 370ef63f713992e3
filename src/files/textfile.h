#pragma once
// Sequential text files as the program uses them. Names are Windows-1252 byte
// strings; a bare name resolves in the current working directory. Lines end in
// CR LF when written; when read, a line ends at CR LF, at a lone CR and (unless
// asked otherwise) at a lone LF, so a file saved by a Linux editor still reads
// as lines. Whole-file writes are changes of the file group module (temporary
// file, flushed to the disk, rename), so a crash, a full disk or a power loss
// never leaves a file short or empty.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/filegroup.h"
#include "files/filesystem.h"

namespace textfile {

// qpath and SetNameHook: filesystem.h.

bool exists(std::string_view name);

// Creates the file empty when missing; a file that is there is not opened, so
// a read-only one is no failure (filegroup::EnsureExists).
bool ensureExists(std::string_view name);

// Byte length, or -1 when the file is missing, no regular file or not to be
// read.
std::int64_t length(std::string_view name);

using filegroup::ReadBound;

// Every read takes only a regular file within the bytes of its bound (by
// default filegroup::kMaxFileBytes), and readAll one within its lines too.
std::optional<std::string> readAll(std::string_view name, const ReadBound& bound = {});

enum class LoneLf { EndsLine, StaysInLine };

// The most lines readLines gives: kept as strings they take no more memory
// than the longest file besides their text.
inline constexpr std::size_t kMaxFileLines = static_cast<std::size_t>(filegroup::kMaxFileBytes) / sizeof(std::string);

// Hands the lines of the text, the way a line-by-line reader sees them, to
// `line` in order until it returns false: a last line without a line end
// counts; an empty text has no lines.
void forEachLine(std::string_view text, const std::function<bool(std::string_view line)>& line,
                 LoneLf lf = LoneLf::EndsLine);

// The lines of the text as forEachLine gives them, the first `maxLines` only.
std::vector<std::string> splitLines(std::string_view text, LoneLf lf = LoneLf::EndsLine,
                                    std::size_t maxLines = SIZE_MAX);

// The number of lines forEachLine finds.
std::size_t lineCount(std::string_view text);

// Reads the file as lines (the first `maxLines` only); nullopt when it cannot
// be read or holds more lines than its bound or kMaxFileLines (the lines are
// counted then, none of them kept).
std::optional<std::vector<std::string>> readLines(std::string_view name, LoneLf lf = LoneLf::EndsLine,
                                                  std::size_t maxLines = SIZE_MAX, const ReadBound& bound = {});

// Counts lines but stops reading at `limit`, so a long file costs nothing; -1
// when the file cannot be read (lastError says why).
std::int64_t countLines(std::string_view name, std::int64_t limit, const ReadBound& bound = {});

// True when the step worked; otherwise its failure is kept as the last error,
// `what` ("Cannot read") followed by the file and why.
bool worked(const char* what, const filegroup::Result& failure);

// Each line followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

using filegroup::Flush;

// Whether a file of `bytes` is within the bound's bytes and lines; otherwise
// the last error says why it is not written.
bool fitsBound(std::string_view name, std::string_view bytes, const ReadBound& bound);

// A file that would be longer than the bound's bytes or lines is not
// written: the program never writes a file it would refuse to read.
bool writeAtomic(std::string_view name, std::string bytes, Flush flush = Flush::ToDisk, const ReadBound& bound = {});
bool writeLinesAtomic(std::string_view name, const std::vector<std::string>& lines, Flush flush = Flush::ToDisk);

// Files that belong together (the list and its two trace copies): all are
// written or none, as filegroup::Apply does it.
bool writeAtomicGroup(const std::vector<filegroup::Change>& files);

// Adds the bytes at the end of the file (created when missing), written whole
// like the other writes: a write cut short leaves the file as it was, and so
// does one that would leave the file past its bound.
bool append(std::string_view name, std::string_view bytes, const ReadBound& bound = {});
bool remove(std::string_view name);

// Renames `from` to `to`, replacing a file of that name.
bool moveOver(std::string_view from, std::string_view to);

// Whether the name ends in ".TXT", in either letter case.
bool endsWithTxt(std::string_view name);

// A readable reason for the last failure of this module; clearLastError()
// before a step tells whether the step itself failed in a file.
QString lastError();
void clearLastError();
// A message followed by the last failure (after an empty line) when there
// was one: the program's own words first, then which file and why.
std::string withLastError(const std::string& message);

// A write past the user's file-size limit fails with an error the program
// reports, instead of the signal ending the process with the data unsaved.
void FailWritesPastSizeLimit();

}  // namespace textfile
