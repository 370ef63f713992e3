#pragma once
// The forward conversion's passes written step by step as they are described,
// without any regard for speed: the reference the real code is compared with.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <string>
#include <vector>

namespace literal {

using Cells = std::array<std::string, 256>;

// Joins texts by appending: GCC 12 warns (-Wrestrict) on "x" + std::string.
inline std::string cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts) out.append(p);
    return out;
}

inline std::string replaceAll(const std::string& text, const std::string& find, const std::string& with) {
    if (find.empty()) return text;
    std::string out;
    size_t from = 0;
    while (true) {
        const size_t at = text.find(find, from);
        if (at == std::string::npos) break;
        out += text.substr(from, at - from);
        out += with;
        from = at + find.size();
    }
    return out.append(text.substr(from));
}

inline bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

inline std::string convertSegment(std::string seg, const Cells& cells) {
    auto step = [&](int code) {
        std::string with = cells[static_cast<size_t>(code)];
        if (code == 123) with = "\\{";
        if (code == 125) with = "\\}";
        seg = replaceAll(seg, std::string(1, static_cast<char>(code)), with);
    };
    step(117);
    step(95);
    for (int c = 64; c <= 91; ++c) step(c);
    for (int c : {93, 94, 95, 96}) step(c);
    for (char letter = 'a'; letter <= 'f'; ++letter) {
        std::string out, rest = seg;
        bool previousAfterEscape = false;
        while (true) {
            const size_t at = rest.find(letter);
            if (at == std::string::npos) break;
            const std::string chunk = rest.substr(0, at);
            rest = rest.substr(at + 1);
            bool stays = endsWith(chunk, "\\'") ||
                         (chunk.size() >= 3 && chunk[chunk.size() - 3] == '\\' && chunk[chunk.size() - 2] == '\'');
            // The chosen reading of "\'aa": the second of two equal letters
            // after "\'" stays as well.
            if (chunk.empty() && previousAfterEscape) stays = true;
            previousAfterEscape = endsWith(chunk, "\\'");
            out += chunk;
            out += stays ? std::string(1, letter) : cells[static_cast<unsigned char>(letter)];
        }
        seg = out.append(rest);
    }
    for (int c = 103; c <= 116; ++c) step(c);
    for (int c = 118; c <= 255; ++c) step(c);
    return seg;
}

inline std::string symbolPass(const std::string& text, const Cells& cells) {
    std::string work = text, scan = text;
    while (true) {
        const size_t open = scan.find('#');
        if (open == std::string::npos) break;
        const size_t close = scan.find('#', open + 1);
        scan = scan.substr(open + 1);
        if (close == std::string::npos) break;
        const std::string seg = scan.substr(0, close - open - 1);
        work = replaceAll(work, cat({"#", seg, "#"}), convertSegment(seg, cells));
        scan = scan.substr(close - open);
    }
    return work;
}

inline std::int64_t displayLength(const std::string& x) {
    std::int64_t overhead = 0;
    for (size_t i = x.find("\\u"); i != std::string::npos; i = x.find("\\u", i + 1)) {
        const std::string t = x.substr(i + 1);
        const size_t q = t.find('?');
        const size_t b = t.find('\\');
        if (q != std::string::npos && (b == std::string::npos || q < b)) overhead += static_cast<std::int64_t>(q) + 1;
    }
    for (size_t i = x.find("\\'"); i != std::string::npos; i = x.find("\\'", i + 1)) overhead += 3;
    return static_cast<std::int64_t>(x.size()) - overhead;
}

struct AbbResult {
    std::string work;
    std::vector<std::int32_t> expPos{0, 0, 0, 0};
    std::int32_t expPosCount = 0;
};

inline AbbResult abbreviationPass(std::string work, const std::vector<std::string>& list, bool listUsable = true) {
    AbbResult r;
    std::string scan = work;
    while (true) {
        const size_t s = scan.find('*');
        if (s == std::string::npos) break;
        if (!listUsable) break;
        const size_t c = scan.find('*', s + 1);
        scan = scan.substr(s + 1);
        if (c == std::string::npos || c == s + 1) break;
        const std::string group = scan.substr(0, c - s - 1);
        std::string e = group;
        r.expPosCount += 3;
        for (const std::string& entry : list) {
            const size_t q = entry.find('=');
            if (q != std::string::npos && q > 0 && q < entry.size())
                e = replaceAll(e, entry.substr(0, q), entry.substr(q + 1));
        }
        r.expPos.resize(static_cast<size_t>(r.expPosCount) + 1);
        const size_t firstStar = work.find('*');
        const size_t p = firstStar == std::string::npos ? 0 : firstStar + 1;
        const std::int64_t start = displayLength(work.substr(0, p));
        const size_t at = work.find(cat({"*", group, "*"}));
        if (at != std::string::npos) work = cat({work.substr(0, at), e, work.substr(at + group.size() + 2)});
        const std::int64_t end = start + displayLength(e);
        const size_t k = static_cast<size_t>(r.expPosCount) - 3;
        r.expPos[k] = static_cast<std::int32_t>(start);
        r.expPos[k + 1] = static_cast<std::int32_t>(end);
        r.expPos[k + 2] = static_cast<std::int32_t>(static_cast<std::int64_t>(group.size()) - (end - start));
        scan = scan.substr(c - s);
    }
    r.work = work;
    return r;
}

inline int abbKey(const std::string& entry) {
    const size_t q = entry.find('=');
    return q == std::string::npos ? 0 : static_cast<int>(q) + 1;
}

inline void traceAbbList(std::vector<std::string>& list) {
    for (size_t i = 0; i < list.size(); ++i)
        for (size_t j = 0; j < list.size(); ++j)
            if (abbKey(list[i]) > abbKey(list[j])) std::swap(list[i], list[j]);
}

}  // namespace literal
