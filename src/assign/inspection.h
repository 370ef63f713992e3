#pragma once
// The cell inspection: a click on a cell box shows, in its window's hint
// label, the cell string the symbol table holds for the code, marked as an
// ANSI byte escape or as a Unicode escape with the escape's value in
// hexadecimal (the notation of "U+" input; RTF writes it in decimal).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class QLabel;

namespace assign {

// The routine of every cell box's click, on both pages: the caption for the
// cell of `code`, from the saved table (not the box), into `label`.
void ShowSavedCoding(int code, QLabel* label);

// "Internal RTF coding for " K " is saved as " and the cell string, K being
// the character of byte `code`. Then at most one mark:
// - " (ANSI)" when the caption's third-last character is "'";
// - else, when it ends in "?", " (Unicode) Hex.= " and the number read after
//   its last backslash less one character (see EscapeValue), in upper-case
//   hexadecimal, a negative value as its eight-digit two's complement.
// A caption ending in "?" with no backslash, or whose number does not fit a
// signed 32-bit value, gets no mark. Windows-1252 in and out.
std::string InspectionCaption(int code, std::string_view cellString);

// The leading number of a text, as an escape's value is read: blanks, tabs
// and line feeds are skipped wherever they stand; an optional sign, digits
// and an optional decimal fraction form the number, which ends before the
// first other character (an exponent or a radix prefix is not read). It is
// rounded to the nearest whole number, a tie to the even one. A text that
// begins with no number reads as 0; a value outside the signed 32-bit range
// reads as nothing.
std::optional<std::int32_t> EscapeValue(std::string_view text);

}  // namespace assign
