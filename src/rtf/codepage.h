#pragma once
// Code pages behind the RTF character sets (\fcharsetN). Single-byte pages come
// from built-in tables; the East Asian double-byte pages go through iconv.
#include <QString>
#include <string>
#include <string_view>

namespace codepage {

// The symbol character set (\fcharset2): byte b stands for U+F000 + b.
constexpr int kSymbol = 42;

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
