#pragma once
// The files of the abbreviation list editor: the edited list, its two trace
// copies (read by the conversions), the one-level undo copies, list databases,
// the display document and the clean-up that turns the editor's RTF back into
// "ABB=MEANING" lines. Plain functions; the editor window only shows their
// results and messages. Every file is written whole (temporary file and
// rename), so a failure leaves the former content in place; the functions
// that write return false then and textfile::lastError() says why.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace abbrev {

// Lists of this many lines are sorted for display only after a question.
inline constexpr int kSortQuestionLines = 1000;
// Databases from this many bytes on are saved with a note that they are untraced.
inline constexpr long long kUntracedNoteBytes = 1000;

// Gives each of the three working files that is shorter than 2 bytes the two
// seed entries, appended to what it holds; the Bed trace gets them in the
// other order.
bool SeedListFiles();

// Whether the edited list is one the editor can hold (or missing): found
// before anything of it is read or seeded; false (lastError says why) when it
// is longer or cannot be read.
bool ListFitsEditor();

// The edited list as `ListLines`: the file's lines (at least one) followed by
// one spare empty slot. nullopt when the file cannot be read.
std::optional<std::vector<std::string>> ReadListLines();

// Ascending order of the characters' 16-bit codes (Windows-1252 bytes mapped
// to Unicode), a proper prefix first.
bool CodeLess(std::string_view a, std::string_view b);
void SortList(std::vector<std::string>& lines);

// An entry as the display document takes it. The abbreviation (left of the
// first "=") shows as typed: its braces and the backslashes that begin no
// character escape are escaped. In the meaning, a "{" or "}" without a
// partner, and a lone backslash at its end, are escaped, and an entry whose
// meaning holds control words becomes a group of its own, so that it cannot
// swallow or change the entries after it. Balanced groups and escapes stay.
std::string DisplayEntry(std::string_view entry);

// The display document: the header in the symbol font, every slot but the
// last followed by "\par ", the last slot as it is, and the closing brace.
std::string ListDisplayRtf(const std::vector<std::string>& listLines, int charSet,
                           const std::string& faceName, int fontSize);

// The editor's RTF after Save's normalisation, cut to the list text and
// cleaned up into list lines (without the final line end, and without an
// empty last line), abbreviations as typed. nullopt when the RTF has not the
// shape the cut relies on, so nothing would be saved right.
std::optional<std::string> ListTextFromEditorRtf(std::string_view rtf, int fontSize);

// The abbreviations of cleaned list lines as they were typed: the byte
// escapes the editor writes ("{", "}", "\" and the characters beyond ASCII)
// go back to their bytes, which the "*" groups of the code text are matched
// against. Meanings keep the escapes, which their RTF needs.
std::string AbbreviationsAsTyped(std::string_view text);

// Save's clean-up of the cut list text: control words out, paragraph marks to
// line breaks, runs of line breaks shortened, RTF escapes of characters kept.
std::string CleanListText(std::string text);

// Save's files: the undo copies of the three working files as they are (a
// missing one gives an empty copy), then the text followed by CR LF as the
// list file and both trace copies, or without a text (an empty editor) an
// empty list file alone. All are written before any is replaced, so a
// failure changes no file.
bool SaveList(const std::optional<std::string>& text);
bool HasUndoCopies();
bool RestoreUndoCopies();

// The base name of a database: the chosen list file less its last five
// characters ("L.TXT") when loading; when saving, the chosen name less its
// ".TXT" (in either letter case), or the whole name when it has none. nullopt
// when the name is too short to have one.
std::optional<std::string> DatabaseBaseForLoad(const std::string& chosen);
std::optional<std::string> DatabaseBaseForSave(const std::string& chosen);

// Load database: the chosen list file becomes the edited list; its A and B
// files (each filled from the chosen file first when shorter than 3 bytes)
// become the trace files. Everything is read before any working file changes.
bool LoadDatabase(const std::string& chosen);
// Save list as: the three working files to base & "L.TXT", "A.TXT", "B.TXT".
bool SaveDatabase(const std::string& base);

}  // namespace abbrev
