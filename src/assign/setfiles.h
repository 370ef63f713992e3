#pragma once
// The custom sets as plain data and file steps. A set titled T lives in two
// files in the current folder: T ".TXT", a copy of the assignment file, and
// T "II.TXT", a copy of the options file. Every step that changes files
// changes all of its files or none and says which file failed and why.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "files/filegroup.h"

namespace assign {

// The assignment copy and the options copy of the set titled `title`.
std::string SetFileName(const std::string& title);
std::string SetOptionsFileName(const std::string& title);

// Why a title cannot name a set, or nothing when it can: empty after trimming
// blanks; "/", "\", NUL, CR, LF or another control character (codes 1..31
// and 127) in it; "." or ".."; a set file that would be one of the program's
// own files (letter case ignored); a set file name longer than a directory
// entry holds. Titles that pass are used exactly as given.
std::optional<std::string> TitleRefusal(const std::string& title);

// The same for the title of set `index` (1..16), typed or stored, which must
// in addition keep its files apart from those of the other sets' titles: its
// assignment copy may not be another set's options copy, nor the other way
// round (sets "A" and "AII" would each overwrite a file of the other). Equal
// titles share their files and pass.
std::optional<std::string> NewTitleRefusal(const std::string& title, const std::array<std::string, 17>& titles,
                                           int index);

// Why the set's files, as the folder holds them now, cannot take a set: one
// that is one of the program's own files, or a symbolic link that leads to
// one (existing or not) or out of the current folder, would have the set
// written there.
std::optional<std::string> SetFilesRefusal(const std::string& title);

// Creates both set files when missing; an existing file keeps its content.
// When the second cannot be created, a first one created here is removed.
filegroup::Result CreateSetFiles(const std::string& title);

// The length of the assignment copy in bytes: under 10 no set is stored yet,
// over 10 a set is stored, exactly 10 neither.
filegroup::Result SetLength(const std::string& title, std::int64_t& bytes);

// Both settings files copied onto the set's files, as one step.
filegroup::Result SaveSettingsAsSet(const std::string& title);

// The files of set `index` moved to the names of `newTitle`, and its title
// line in the assignment file set to it, as one group: both new files are
// written before either old one is deleted. A file that already has the new
// name (a change of letter case on a file system that ignores it) is renamed
// in place.
filegroup::Result RenameSetFiles(const std::string& oldTitle, const std::string& newTitle, int index);

// The first 194 lines of an assignment copy joined by CR LF (none after the
// last), or why they cannot be had.
enum class SetData { Read, FileEmpty, DataCorrupt };
struct SetLines {
    SetData outcome = SetData::Read;
    std::string text;
};
filegroup::Result ReadSetLines(const std::string& title, SetLines& lines);

// The first two lines of an options copy: the size line ("" when missing) and
// the LOCK UNI line ("0" when missing).
struct OptionsCopy {
    std::string size;
    std::string lockUni = "0";
};
filegroup::Result ReadOptionsCopy(const std::string& title, OptionsCopy& copy);

// The size and LOCK UNI an options copy gives: the size line by the settings
// reader's rule (kept when it is no size), "0" or "1" for LOCK UNI (any other
// line keeps it).
void TakeOptionsCopy(const OptionsCopy& copy, std::int16_t& size, bool& lockUni);

// The settings files a loaded set leaves: the set's 194 lines followed by the
// current titles 1..16, and the size and LOCK UNI lines alone.
std::string AssignmentFileFromSet(const std::string& setLines, const std::array<std::string, 17>& titles);
std::string OptionsFileFromSet(std::int16_t size, bool lockUni);

// Both settings files written as one step.
filegroup::Result WriteSettingsFromSet(const std::string& setLines, const std::array<std::string, 17>& titles,
                                       std::int16_t size, bool lockUni);

}  // namespace assign
