#pragma once
// "Reconvert" as string work: the lower window's RTF text (Windows-1252 bytes)
// is turned back into quoted code text. Recognition puts back "*ABB*" for the
// meanings of the list and "#c#" for the codings of the symbol table; the
// clean-up cuts the RTF envelope, fuses the groups, decodes byte escapes and
// strips the remaining control words.
//
// Every step reproduces a plain sequence of whole-text replacements whose
// results users' texts rely on (later replacements also act on what earlier
// ones produced), but runs in time linear in the text.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/work_bound.h"

namespace convert {

// CellCode[n] is the coding of ANSI code n; only codes with a cell are read.
using CellTable = std::array<std::string, 256>;

// The three characters after the "{" of a font's entry in the font table
// (by RTF "\f" and the first digit of the font number).
struct FontTags {
    std::optional<std::string> SymbolFontTag;
    std::optional<std::string> AnsiFontTag;
};

// --- Recognition --------------------------------------------------------------

// Each usable "ABB=MEANING" line in list order: every occurrence of the
// meaning anywhere in the text becomes "*ABB*". Meanings that hold "*" can
// make every line multiply the text; a line that would take it past `bound`
// throws RunawayExpansion (Runaway::ListMeanings).
void ReplaceMeanings(std::string& rtf, const std::vector<std::string>& bedList, const WorkBound& bound = {});

// Looks at the stretch between each two neighbouring marks of the text as it
// stands on entry; a stretch of 1 to 5 characters all below "A" replaces every
// mark & stretch & mark by the stretch, one stretch after the other.
void FuseGroups(std::string& text, char mark);

// "**" removed, then the star groups fused.
void FuseStarGroups(std::string& rtf);

// The tag of the first font-table entry whose "fcharset" number begins with
// the digits of `charSet`, and that of the first "fcharset0" entry; the latter
// is looked for only when the former was found.
FontTags FindFontTags(std::string_view rtf, int charSet);

// "\fcharset" & charSet becomes "\fcharset0" (so the lower window reads the
// recognised text in the plain character set).
void ReplaceCharSet(std::string& rtf, int charSet);

// Puts a tag behind the first "\fs" & fontSize (the size in points, so it acts
// only where the text holds a size of that number) when the character after
// "\deff" matches the tag's last character: the symbol tag first, then the
// plain one.
void InsertDefaultFontTag(std::string& rtf, const FontTags& tags, int fontSize);

// A byte escape coding becomes "#" & CodingChar & "#" only where the last tag
// before it is the symbol font's rather than the plain font's.
void ReplaceCodeInSymbolFont(std::string& rtf, std::string_view CodingToFind, char CodingChar,
                             const FontTags& tags);

// The cells in ascending code order: byte escapes through
// ReplaceCodeInSymbolFont, every other non-empty coding everywhere. Past
// `bound` it throws RunawayExpansion (Runaway::Cells).
void ReplaceCells(std::string& rtf, const CellTable& cells, const FontTags& tags, const WorkBound& bound = {});

// The whole recognition after the list load: meanings and star groups only
// when a list is given (a trace file under 3 bytes gives none), then the font
// tags, character set, default-font tag and cells. The text may grow to
// `bound`, by default WorkBound::For its size on entry; past that it throws
// RunawayExpansion.
void RecognizeSymbols(std::string& rtf, const std::vector<std::string>* bedList, const CellTable& cells,
                      int charSet, int fontSize, std::optional<WorkBound> bound = std::nullopt);

// --- Clean-up -----------------------------------------------------------------

// The body: from right after the first "fs" & 2 x fontSize (its delimiter
// included; from the fourth character when there is none) to before the
// rich-text control's fixed tail. A text too short for the cut gives an
// empty body.
std::string CutEnvelope(std::string_view rtf, int fontSize);

// "##" removed, then the "#" groups fused.
void FuseSymbolGroups(std::string& text);

// "\'7e", "\'7f", "\'80".."\'ff", "\'7c", "\'7b", "\'7d" (lower-case digits
// only) decoded as Windows-1252; "{" and "}" come out as "\{" and "\}".
void DecodeByteEscapes(std::string& text);

// "\rtlch" -> " ", "\ltrch" -> "", "\rtl" -> " ", "\ltr" -> " ", in this order.
void RemoveDirectionWords(std::string& text);

// The "\lang", "\f" and "\kerning" loops, one after the other.
void RemoveControlWords(std::string& text);

// "\pard ", "\pard", "\par ", "\par", "\cf0", "\cell", "\row" removed in order.
void RemoveParagraphWords(std::string& text);

// Every backslash not before "u" or "'" goes, with the letter after it when
// that is a code from 65 to 122 other than "]".
void RemoveBackslashes(std::string& text);

// Envelope cut through the backslash pass: the code text for the upper window.
std::string CleanUpRtf(std::string_view rtf, int fontSize);

// The trims applied to the upper window's text after the result is set, in
// order 1..3: the new text when the trim applies, nothing otherwise.
std::optional<std::string> TrimResult(int step, std::string_view text);

}  // namespace convert
