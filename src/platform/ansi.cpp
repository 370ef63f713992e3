#include "platform/ansi.h"

#include "rtf/codepage.h"

namespace ansi {

char16_t toUnicode(unsigned char byte) { return codepage::byteToUnicode(1252, byte); }

int fromUnicode(char32_t ch) { return codepage::unicodeToByte(1252, ch); }

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
    const auto ucs4 = text.toUcs4();
    for (char32_t ch : ucs4) {
        int b = fromUnicode(ch);
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
