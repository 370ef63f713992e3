#pragma once
// The character sets of RTF (\fcharsetN) and the code pages behind them.
// Single-byte pages come from built-in tables; the East Asian double-byte
// pages go through iconv.
#include <QFontDatabase>
#include <QString>
#include <span>
#include <string>
#include <string_view>

namespace codepage {

// The symbol character set (\fcharset2): byte b stands for U+F000 + b.
constexpr int kSymbol = 42;

// The numbers (\fcharsetN) of the character sets the program names itself,
// as the rows of `charsets()` give them.
constexpr int kWesternCharset = 0;
constexpr int kHebrewCharset = 177;
constexpr int kArabicCharset = 178;
constexpr int kCyrillicCharset = 204;

// Bytes first..last; empty when first > last.
struct ByteRange {
    unsigned char first = 1, last = 0;
    constexpr bool holds(unsigned char b) const { return b >= first && b <= last; }
};

// One character set: everything the reader, the writer and the font chooser
// know of it. Another code page is one more row of `charsets()`.
struct Charset {
    int number;                           // \fcharsetN
    int codePage;                         // kSymbol for the symbol set
    const char* script;                   // the font chooser's name of it
    QFontDatabase::WritingSystem system;  // what a font covers to be offered in it
    const char16_t* upper = nullptr;      // single-byte page: the characters of bytes 80..FF
    const char* iconvName = nullptr;      // double-byte page: iconv's name of it
    ByteRange lead[2] = {};               // double-byte page: the bytes that open a pair
};

// Every character set known, ascending by number.
std::span<const Charset> charsets();
// The row of a number, or nullptr.
const Charset* byNumber(int charset);

// The code page of an RTF character set; 1252 for 0, 1 and every set not known.
int forCharset(int charset);

bool isDoubleByte(int cp);

// True when byte b opens a two-byte character in code page cp.
bool isLeadByte(int cp, unsigned char b);

// The character of a single byte (for a double-byte page: of a byte that is not
// a lead byte); U+FFFD when the page gives it none.
char16_t byteToUnicode(int cp, unsigned char b);

// The single byte that stands for ch in code page cp, or -1.
int unicodeToByte(int cp, char32_t ch);

// Decodes a byte string; a double-byte page pairs lead bytes with the byte after.
QString decode(int cp, std::string_view bytes);

}  // namespace codepage
