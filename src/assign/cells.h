#pragma once
// The cells of the two assignment pages as plain data and functions: where each
// cell stands, what its label says, the document a fill gives its box, and the
// rule that turns a box's content back into a cell string.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace assign {

// Page 1 holds codes 64..132, page 2 codes 133..255 (92, 123, 125 have no cell).
inline constexpr int kPage2FirstCode = 133;
// Page 2 is collected in two halves; the second begins here.
inline constexpr int kSecondHalfFirstCode = 195;

struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const TwipsRect&) const = default;
};

struct CellPlace {
    int code = 0;
    TwipsRect label;
    TwipsRect box;
};

// The cells of a page in ascending code order, with their designed places.
const std::vector<CellPlace>& Page1Cells();
const std::vector<CellPlace>& Page2Cells();

// The order in which page 2's window lists its boxes; where two boxes
// overlap, the one listed earlier lies on top.
const std::vector<int>& Page2StackingOrder();

// A blank, the character of the code and the code right-aligned in four
// places: " @  64", " d 100". The character is always the second one.
std::string LabelCaption(int code);

// The document a fill sets into a cell box: the font table, the size word and
// the cell string right after the size number.
std::string CellDocument(const std::string& cellString, const std::string& face, int charset, int size);

// "Arial Char. Set 0 Size 12" (page 1) and "Arial 0" CR LF "12" (page 2).
std::string FontLabelPage1(const std::string& face, int charset, int size);
std::string FontLabelPage2(const std::string& face, int charset, int size);

// A typed code: exactly "U+" and four hexadecimal digits (either case). The
// value is RTF's signed 16-bit form, so "U+FFFF" gives -1.
std::optional<int> ParseUnicodeEntry(std::string_view text);

// "\u" N "?" for a signed 16-bit value N.
std::string UnicodeEscape(int value);

// The box's content out of the RTF it writes after its text was set to
// `cellFontSize` points: what lies between the size word "\fs" 2*size and the
// writer's fixed tail, with line breaks taken out. Nothing when the size word
// or the tail is missing.
std::optional<std::string> CutCellString(std::string_view rtf, int cellFontSize);

// Removes CR and LF from a fragment that follows a control word's number (as
// a cut does) without changing what it means: a break that ended a control
// word leaves a blank in its place.
std::string WithoutLineBreaks(std::string_view fragment);

// The cell string a box gives back (`text` and `caption` Windows-1252): ""
// for the cell's own character or an empty box, the escape of a typed "U+"
// code, else the cut of the box's RTF. `boxRtf` gives that RTF, read after the
// box's text was set to `cellFontSize` points; it is asked only when the text
// alone does not decide. LOCK UNI keeps a stored "\u" string; a cut that
// fails, or gives nothing for the text shown, keeps the stored one.
std::string CollectCell(std::string_view text, std::string_view caption, const std::function<std::string()>& boxRtf,
                        const std::string& stored, bool lockUni, int cellFontSize);

}  // namespace assign
