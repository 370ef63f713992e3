#pragma once
// Windows-1252 ("ANSI") text: the program keeps code text, settings and RTF as
// std::string holding one Windows-1252 byte per character. Every byte has a
// Unicode partner (the five bytes 1252 leaves undefined map to U+0081, U+008D,
// U+008F, U+0090 and U+009D), so a byte string survives a trip through QString.
#include <QList>
#include <QString>
#include <string>
#include <string_view>

namespace ansi {

// The characters of the bytes 80..FF (each byte below is its own character):
// the program's one table of Windows-1252, the RTF engine's too.
extern const char16_t kUpperHalf[128];

// The Unicode character of one Windows-1252 byte.
char16_t toUnicode(unsigned char byte);

// The Windows-1252 byte of a Unicode character, or -1 when it has none.
int fromUnicode(char32_t ch);

QString toQString(std::string_view bytes);

// Characters outside Windows-1252 become '?', as an ANSI text box stores them.
std::string fromQString(const QString& text);

// Upper-case in the Windows-1252 sense (a..z and the accented letters), for
// caption comparisons that ignore letter case.
std::string toUpper(std::string_view bytes);

}  // namespace ansi
