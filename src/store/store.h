#pragma once
// The shared store: symbol table, symbol font, LOCK UNI, custom set titles and
// the abbreviation list versions, with the two settings files that keep them.
// Plain module-level state, read and written directly all over the program.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

inline constexpr int kCellCount = 189;
inline constexpr int kAssignmentLines = 210;
// Lines a usable assignment file must reach: all cells, the font name and the
// character set (the titles may be missing).
inline constexpr int kUsableAssignmentLines = 194;

// Codes 64..255 except 92 "\", 123 "{" and 125 "}".
bool HasCell(int code);
// The 189 cell codes in ascending order.
const std::array<int, kCellCount>& CellCodes();

// CellCode[n] is the cell string of ANSI code n (unused for codes without a cell).
extern std::array<std::string, 256> CellCode;
extern std::string CellFontName;
extern std::int16_t CellCharSet;
extern std::int16_t CellFontSize;
extern std::array<std::string, 17> CustomTitle;  // 1..16
extern bool LockUni;
extern std::int16_t AbbListVersion;
extern std::int16_t AbbTracedVersion;
extern std::int16_t BedTracedVersion;
extern bool AbbRetrace;
extern bool BedRetrace;

// Every value back to its state at process start.
void ResetSharedState();

// A 16-bit integer as a settings line: a blank (or the minus sign), the
// digits, a blank: 0 gives " 0 ", 12 gives " 12 ".
std::string IntLine(int value);

// A whole number with blanks around it ("204", " 204 "), else nothing.
bool ParseWholeNumber(const std::string& line, int& value);

// The numeric value of the number a text begins with (leading blanks skipped;
// 0 when it begins with none), as the settings reader sees it.
double LeadingNumber(const std::string& line);

// The size line of the options file: the value to take, or 0 to keep the size.
// Taken are numbers from 1 to 16383 (twice the size must fit RTF's 16-bit
// \fs), a fraction rounded to the nearest whole number, a tie to the even one.
int SizeFromOptionsLine(const std::string& line);

// The lines of both files as the shared state gives them. The assignment file
// side sets empty titles to their defaults in memory, as the write does.
std::vector<std::string> AssignmentLines();
std::vector<std::string> OptionsLines();

// The text of an assignment file with the title line of set `index` (1..16)
// holding `title`; lines missing before it are added empty (they read as the
// default titles), every other line stays.
std::string WithTitleLine(std::string_view assignmentFile, int index, const std::string& title);

// A face name can name the font of an RTF font table only without "{", "}",
// "\" and ";": these would end the entry or the table, and every cell would
// read back empty. Nor can one longer than any font's name: every document of
// the program (each cell's, the lower window's at every key) carries it.
inline constexpr std::size_t kMaxFaceNameBytes = 255;
bool UsableFaceName(std::string_view face);

// What a read of the settings found that the user should know.
struct SettingsRead {
    // The face name of line 193, not taken because it is not usable; the face
    // in use stays.
    std::optional<std::string> refusedFaceName;
};

// Takes the lines of both files into the shared state; missing lines keep
// their values (options lines read as the file layout says).
SettingsRead ApplyAssignmentLines(const std::vector<std::string>& lines);
void ApplyOptionsLines(const std::vector<std::string>& lines);

// Both files into memory (each created empty when missing).
SettingsRead ReadSettingsFiles();

// Whether a file holds exactly the 210 lines of text of an assignment file,
// so that a rewrite keeps all it holds.
bool IsWholeAssignmentFile(std::string_view bytes);

// Whether a file's bytes hold nothing but NUL bytes (what a crash can leave),
// line ends and blanks: nothing of the user's to keep, and no file to put
// over an older backup.
bool HoldsNoText(std::string_view bytes);

// Moves the assignment file to kAssignmentBackupFile, replacing an older
// backup; false when it cannot (textfile::lastError() says why).
bool KeepAssignmentFileAside();
// The message about it, naming both files: `what` is wrong with the file,
// then that it was kept and `then` follows, or why it was not and
// `otherwise` follows.
std::string BackupNotice(const std::string& what, bool kept, const std::string& then, const std::string& otherwise);

// Memory into both files, each written whole through a temporary file. On
// failure the old files stay and `error` says why. An assignment file that is
// not whole is first kept aside, and `notice` says so.
bool WriteSettingsFiles(std::string* error = nullptr, std::string* notice = nullptr);

// How often the settings files have been read and written in this run, and
// how WriteSettingsFiles last ended: whether it worked, and why not ("" when
// it did).
struct SettingsIo {
    int reads = 0;
    int writes = 0;
    bool lastWriteOk = true;
    std::string lastWriteError;
};
extern SettingsIo Io;

}  // namespace store
