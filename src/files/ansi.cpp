#include "files/ansi.h"

#include <array>
#include <cstdint>
#include <memory>

#include "rtf/codepage.h"

namespace ansi {

char16_t toUnicode(unsigned char byte) { return codepage::byteToUnicode(1252, byte); }

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
