#pragma once
// The reverse conversion step by step as its rules read: one replace-all per
// list entry, cell, escape and word over the whole text, substring copies and
// 1-based positions. Slow on purpose; the fast code is compared against it.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace literal {

constexpr size_t npos = std::string::npos;

inline std::string Replace(const std::string& s, const std::string& find, const std::string& with) {
    if (find.empty()) return s;
    std::string out;
    size_t pos = 0;
    for (;;) {
        const size_t k = s.find(find, pos);
        if (k == npos) break;
        out += s.substr(pos, k - pos);
        out += with;
        pos = k + find.size();
    }
    return out + s.substr(pos);
}

// VB's Mid: 1-based start, nothing past the end.
inline std::string Mid(const std::string& s, long start, long length = -1) {
    if (start < 1 || static_cast<size_t>(start) > s.size()) return "";
    return length < 0 ? s.substr(static_cast<size_t>(start - 1)) : s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length));
}

// VB's InStr: 1-based, 0 when not found.
inline long InStr(long start, const std::string& s, const std::string& find) {
    if (start < 1 || static_cast<size_t>(start) > s.size() + 1) return 0;
    const size_t k = s.find(find, static_cast<size_t>(start - 1));
    return k == npos ? 0 : static_cast<long>(k) + 1;
}

inline std::string Reversed(std::string s) {
    std::reverse(s.begin(), s.end());
    return s;
}

// mark + text + mark, built by appending (GCC 12 warns falsely on the
// operator+ form when inlined here).
inline std::string Enclosed(char mark, const std::string& text) {
    std::string out(1, mark);
    out.append(text);
    out.push_back(mark);
    return out;
}

inline void Meanings(std::string& w, const std::vector<std::string>& list) {
    for (const std::string& line : list) {
        const long q = InStr(1, line, "=") - 1;
        if (q > 0 && q < static_cast<long>(line.size()))
            w = Replace(w, Mid(line, q + 2), Enclosed('*', line.substr(0, static_cast<size_t>(q))));
    }
}

inline void Fuse(std::string& w, char mark) {
    const std::string m(1, mark);
    std::string scan = w;
    for (;;) {
        const long a = InStr(1, scan, m);
        if (a == 0) break;
        const long b = InStr(a + 1, scan, m);
        scan = Mid(scan, a + 1);
        if (b == 0) break;
        const std::string g = scan.substr(0, static_cast<size_t>(b - a - 1));
        bool below = !g.empty() && g.size() <= 5;
        for (unsigned char c : g) below = below && c < 65;
        if (below) w = Replace(w, m + g + m, g);
    }
}

struct Tags {
    std::optional<std::string> symbol, ansi;
};

inline Tags FontTags(const std::string& w, int charSet) {
    Tags t;
    const long p = InStr(1, w, "fcharset" + std::to_string(charSet));
    if (p == 0) return t;
    const size_t brace = w.substr(0, static_cast<size_t>(p)).rfind('{');
    if (brace == npos) return t;
    t.symbol = Mid(w, static_cast<long>(brace) + 2, 3);
    const long p0 = InStr(1, w, "fcharset0");
    if (p0 == 0) return t;
    const size_t brace0 = w.substr(0, static_cast<size_t>(p0 - 1)).rfind('{');
    if (brace0 == npos) return t;
    t.ansi = Mid(w, static_cast<long>(brace0) + 2, 3);
    return t;
}

inline void DefaultFontTag(std::string& w, const Tags& t, int fontSize) {
    const std::string size = "\\fs" + std::to_string(fontSize);
    for (const std::string& tag : {*t.symbol, *t.ansi}) {
        const std::string c = Mid(w, InStr(1, w, "\\deff") + 5, 1);
        const std::string last = tag.empty() ? "" : tag.substr(tag.size() - 1);
        const long k = InStr(1, w, size);
        if (c == last && k > 0) w = w.substr(0, static_cast<size_t>(k - 1)) + size + tag + Mid(w, k + static_cast<long>(size.size()));
    }
}

inline long Distance(const std::string& b, const std::optional<std::string>& tag) {
    if (!tag) return static_cast<long>(b.size());
    const long p = InStr(1, Reversed(b), Reversed(*tag));
    return p == 0 ? static_cast<long>(b.size()) : p;
}

inline void ReplaceCodeInSymbolFont(std::string& w, const std::string& coding, char ch, const Tags& t) {
    long pos = 1;
    for (;;) {
        if (pos > static_cast<long>(w.size())) return;
        const long k = InStr(pos, w, coding);
        if (k == 0) return;
        const std::string b = w.substr(0, static_cast<size_t>(k - 1));
        if (Distance(b, t.symbol) < Distance(b, t.ansi)) {
            w = b + "#" + std::string(1, ch) + "#" + Mid(w, k + static_cast<long>(coding.size()));
            pos = k + 3;
        } else {
            pos = k + 4;
        }
    }
}

inline void Cells(std::string& w, const std::array<std::string, 256>& cells, const Tags& t) {
    for (int n = 64; n <= 255; ++n) {
        if (n == 92 || n == 123 || n == 125) continue;
        const std::string& cell = cells[static_cast<size_t>(n)];
        if (cell.substr(0, 2) == "\\'")
            ReplaceCodeInSymbolFont(w, cell, static_cast<char>(n), t);
        else
            w = Replace(w, cell, Enclosed('#', std::string(1, static_cast<char>(n))));
    }
}

inline void Recognize(std::string& w, const std::vector<std::string>* list, const std::array<std::string, 256>& cells,
                      int charSet, int fontSize) {
    if (list) {
        Meanings(w, *list);
        w = Replace(w, "**", "");
        Fuse(w, '*');
    }
    const Tags t = FontTags(w, charSet);
    if (t.symbol && t.ansi) {
        w = Replace(w, "\\fcharset" + std::to_string(charSet), "\\fcharset0");
        DefaultFontTag(w, t, fontSize);
    }
    Cells(w, cells, t);
}

inline std::string Cut(const std::string& w, int fontSize) {
    const std::string tag = "fs" + std::to_string(2 * fontSize);
    const long p = InStr(1, w, tag);
    const long start = p == 0 ? 4 : p + static_cast<long>(tag.size());
    const long length = static_cast<long>(w.size()) - 10 - start + 1;
    return length <= 0 ? "" : Mid(w, start, length);
}

inline void Escapes(std::string& w) {
    auto hex = [](int v) {
        const char* d = "0123456789abcdef";
        return std::string("\\'") + d[v / 16] + d[v % 16];
    };
    w = Replace(w, "\\'7e", "~");
    w = Replace(w, "\\'7f", " ");
    for (int v = 0x80; v <= 0xff; ++v) w = Replace(w, hex(v), std::string(1, static_cast<char>(v)));
    w = Replace(w, "\\'7c", "|");
    w = Replace(w, "\\'7b", "\\{");
    w = Replace(w, "\\'7d", "\\}");
}

inline void WordLoops(std::string& w) {
    long pos = 1;
    while (pos <= static_cast<long>(w.size())) {
        const long k = InStr(pos, w, "\\lang");
        if (k == 0) break;
        w = w.substr(0, static_cast<size_t>(k - 1)) + Mid(w, k + 9);
        pos = k;
    }
    pos = 1;
    while (pos <= static_cast<long>(w.size())) {
        const long k = InStr(pos, w, "\\f");
        if (k == 0) break;
        const long cut = Mid(w, k + 3, 1) == " " ? 4 : 3;
        w = w.substr(0, static_cast<size_t>(k - 1)) + Mid(w, k + cut);
        pos = k;
    }
    pos = 1;
    while (pos <= static_cast<long>(w.size())) {
        const long k = InStr(pos, w, "\\kerning");
        if (k == 0) break;
        const std::string c = Mid(w, k + 8, 1);
        if (!c.empty() && static_cast<unsigned char>(c[0]) >= 33 && static_cast<unsigned char>(c[0]) <= 57) {
            w = w.substr(0, static_cast<size_t>(k - 1)) + Mid(w, k + 9);
            pos = k;
        } else {
            pos = k + 1;
        }
    }
}

inline void Backslashes(std::string& w) {
    std::string done;
    std::string rest = w;
    for (;;) {
        const long k = InStr(1, rest, "\\");
        if (k == 0) break;
        done += rest.substr(0, static_cast<size_t>(k - 1));
        const std::string c = Mid(rest, k + 1, 1);
        const int code = c.empty() ? -1 : static_cast<unsigned char>(c[0]);
        if (c == "u" || c == "'") {
            done += "\\";
            rest = Mid(rest, k + 1);
        } else if (code >= 65 && code <= 122 && code != 93) {
            rest = Mid(rest, k + 2);
        } else {
            rest = Mid(rest, k + 1);
        }
        w = done + rest;
    }
    w = done + rest;
}

inline std::string CleanUp(const std::string& rtf, int fontSize) {
    std::string w = Cut(rtf, fontSize);
    w = Replace(w, "##", "");
    Fuse(w, '#');
    Escapes(w);
    w = Replace(w, "\\rtlch", " ");
    w = Replace(w, "\\ltrch", "");
    w = Replace(w, "\\rtl", " ");
    w = Replace(w, "\\ltr", " ");
    WordLoops(w);
    for (const char* word : {"\\pard ", "\\pard", "\\par ", "\\par", "\\cf0", "\\cell", "\\row"}) w = Replace(w, word, "");
    Backslashes(w);
    return w;
}

// The traces' exchange loop with the meaning length as key.
inline void TraceBedList(std::vector<std::string>& list) {
    auto key = [](const std::string& s) {
        const long p = InStr(1, s, "=");
        return p == 0 ? static_cast<long>(s.size()) : static_cast<long>(s.size()) - p;
    };
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = 0; j < list.size(); ++j)
            if (key(list[i]) > key(list[j])) std::swap(list[i], list[j]);
}

}  // namespace literal
