#include "files/ansi.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ansi {

// The five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D) stand
// for the code points of their own value.
const char16_t kUpperHalf[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,
};

char16_t toUnicode(unsigned char byte) { return byte >= 0x80 ? kUpperHalf[byte - 0x80] : byte; }

namespace {

// Every character of the Basic Multilingual Plane to its byte (-1: none);
// plain text is read through it on every keystroke.
const std::array<std::int16_t, 0x10000>& bytesOf() {
    static const auto table = [] {
        auto t = std::make_unique<std::array<std::int16_t, 0x10000>>();
        t->fill(-1);
        for (int b = 0; b < 256; ++b) (*t)[toUnicode(static_cast<unsigned char>(b))] = static_cast<std::int16_t>(b);
        return t;
    }();
    return *table;
}

}  // namespace

int fromUnicode(char32_t ch) { return ch < 0x10000 ? bytesOf()[ch] : -1; }

QString toQString(std::string_view bytes) {
    QString out;
    out.resize(static_cast<qsizetype>(bytes.size()));
    QChar* data = out.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        data[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
    return out;
}

std::string fromQString(const QString& text) {
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    const auto& bytes = bytesOf();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A surrogate pair is one character, outside Windows-1252 as a lone surrogate is.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        const int b = bytes[c];
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

std::string toUpper(std::string_view bytes) {
    std::string out(bytes);
    for (char& c : out) {
        const QChar up = QChar(toUnicode(static_cast<unsigned char>(c))).toUpper();
        const int b = fromUnicode(up.unicode());
        if (b >= 0) c = static_cast<char>(b);
    }
    return out;
}

}  // namespace ansi
