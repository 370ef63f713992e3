#pragma once
// Helpers shared by the RTF tests.
#include <QString>
#include <ostream>
#include <string>
#include <string_view>

#include "rtf/document.h"
#include "rtf/reader.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace rtf_test {

inline QString Q(const char16_t* s) { return QString::fromUtf16(s); }

inline rtf::CharFormat format(const char* face = "Arial", int charset = 0, int halfPoints = 24) {
    rtf::CharFormat f;
    f.face = QString::fromLatin1(face);
    f.charset = charset;
    f.halfPoints = halfPoints;
    return f;
}

inline rtf::Document read(std::string_view rtf) { return rtf::read(rtf, format()); }

// The paragraphs' text joined by CR LF.
inline QString plainText(const rtf::Document& d) {
    QString out;
    for (size_t i = 0; i < d.paragraphs.size(); ++i) {
        if (i > 0) out += QStringLiteral("\r\n");
        for (const rtf::Run& r : d.paragraphs[i].runs) out += r.text;
    }
    return out;
}

// The paragraphs' text in UTF-8, joined by "|".
inline std::string paragraphs(const rtf::Document& d) {
    std::string out;
    for (size_t i = 0; i < d.paragraphs.size(); ++i) {
        if (i > 0) out += '|';
        for (const rtf::Run& r : d.paragraphs[i].runs) out += r.text.toStdString();
    }
    return out;
}

// The header the program puts before a cell string.
inline std::string cellDocument(std::string_view face, int charset, int points, std::string_view cell) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset" + std::to_string(charset) + " " + std::string(face) +
           ";}}\\fs" + std::to_string(2 * points) + std::string(cell) + "}";
}

// The program's cut of a cell string out of a control's RTF: from after the
// first size word to before the tail.
inline std::string cellCut(std::string_view rtfText, int points, size_t tail) {
    const std::string needle = "fs" + std::to_string(2 * points);
    const size_t p = rtfText.find(needle);
    if (p == std::string_view::npos) return "<no size word>";
    const size_t start = p + needle.size();
    if (start + tail > rtfText.size()) return "<too short>";
    return std::string(rtfText.substr(start, rtfText.size() - tail - start));
}

}  // namespace rtf_test
