#include "convert/reverse.h"

#include <algorithm>
#include <set>
#include <unordered_map>

#include "convert/group_replace.h"
#include "convert/replace.h"
#include "rtf/shape.h"
#include "store/store.h"

namespace convert {
namespace {

constexpr size_t npos = std::string::npos;

// Every RTF text of the rich-text control ends in these.
constexpr size_t kTailLength = rtf::kTextRtfTail.size();

// At most five characters, all below "A": a stretch that may be fused, or
// (when empty) become one by a fusion beside it.
bool IsShortLowStretch(std::string_view g) {
    if (g.size() > 5) return false;
    for (unsigned char c : g)
        if (c >= 65) return false;
    return true;
}

bool IsFusableStretch(std::string_view g) { return !g.empty() && IsShortLowStretch(g); }

bool IsLowerHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

int LowerHexValue(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

// The last occurrence of a three-character tag in a text that only grows at
// its end, found without searching the text again from its start.
class TagTracker {
public:
    explicit TagTracker(const std::optional<std::string>& tag) : tag_(tag ? *tag : std::string()) {}

    // The distance of the tag from the end of `text`: 1 + the characters after
    // the end of its last occurrence; the text's length when it does not occur.
    size_t Distance(std::string_view text) {
        if (!tag_.empty()) {
            size_t k = FindText(text, tag_, nextStart_);
            while (k != npos) {
                lastEnd_ = k + tag_.size();
                k = FindText(text, tag_, k + 1);
            }
            if (text.size() >= tag_.size()) nextStart_ = text.size() - tag_.size() + 1;
        }
        return lastEnd_ == npos ? text.size() : 1 + (text.size() - lastEnd_);
    }

private:
    std::string tag_;
    size_t nextStart_ = 0;
    size_t lastEnd_ = npos;
};

// One pass over a text that removes occurrences of `word` found from left to
// right, the search going on where the removed text stood. `cut` says how many
// characters to remove at an occurrence (0: remove nothing and go one on).
template <class CutFn>
void RemoveWordLoop(std::string& text, std::string_view word, CutFn cut) {
    size_t k = FindText(text, word);
    if (k == npos) return;
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    while (k != npos) {
        const size_t n = cut(k);
        out.append(text, done, k - done);
        if (n == 0) {
            out.push_back(text[k]);
            done = k + 1;
        } else {
            done = std::min(text.size(), k + n);
        }
        k = FindText(text, word, done);
    }
    out.append(text, done, npos);
    text = std::move(out);
}

}  // namespace

// --- Recognition --------------------------------------------------------------

void ReplaceMeanings(std::string& rtf, const std::vector<std::string>& bedList, const WorkBound& bound) {
    std::vector<GroupRule> rules;
    for (const std::string& line : bedList) {
        const size_t q = line.find('=');
        if (q == npos || q == 0) continue;
        rules.push_back({std::string_view(line).substr(q + 1), std::string_view(line).substr(0, q)});
    }
    ReplaceByGroups(rtf, '*', rules, FontTags{}, bound, Runaway::ListMeanings);
}

// Every replacement of mark & g & mark by g only deletes two marks, so the text
// is the original with some marks gone, and an occurrence is a pair of marks
// still standing next to each other with exactly g between them. The pairs are
// kept indexed by what lies between them; a deletion joins the two pairs on its
// sides into one.
void FuseGroups(std::string& text, char mark) {
    std::vector<size_t> pos;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == mark) pos.push_back(i);
    const size_t m = pos.size();
    if (m < 2) return;

    auto stretch = [&](size_t i) {
        return std::string_view(text).substr(pos[i] + 1, pos[i + 1] - pos[i] - 1);
    };
    constexpr size_t kNone = npos;
    std::vector<size_t> prev(m), next(m);
    std::vector<char> alive(m, 1);
    std::vector<char> shortLow(m, 0);       // the pair opened by mark i is a short low stretch
    std::vector<std::string> between(m);    // its stretch, when it is
    std::unordered_map<std::string, std::set<size_t>> pairsByStretch;
    for (size_t i = 0; i < m; ++i) {
        prev[i] = i == 0 ? kNone : i - 1;
        next[i] = i + 1 == m ? kNone : i + 1;
        if (i + 1 < m && IsShortLowStretch(stretch(i))) {
            shortLow[i] = 1;
            between[i] = std::string(stretch(i));
            pairsByStretch[between[i]].insert(i);
        }
    }
    auto unindex = [&](size_t i) {
        if (i != kNone && shortLow[i]) pairsByStretch[between[i]].erase(i);
    };

    bool changed = false;
    for (size_t i = 0; i + 1 < m; ++i) {
        const std::string_view g = stretch(i);
        if (!IsFusableStretch(g)) continue;
        auto found = pairsByStretch.find(std::string(g));
        if (found == pairsByStretch.end()) continue;
        std::set<size_t>& pairs = found->second;
        auto it = pairs.begin();
        while (it != pairs.end()) {
            const size_t o = *it;
            const size_t c = next[o];
            const size_t before = prev[o];
            const size_t after = next[c];
            unindex(before);
            unindex(o);
            unindex(c);
            alive[o] = alive[c] = 0;
            changed = true;
            if (before != kNone) next[before] = after;
            if (after != kNone) prev[after] = before;
            if (before != kNone) {
                const bool joined = after != kNone && shortLow[before] && shortLow[c] &&
                                    between[before].size() + g.size() + between[c].size() <= 5;
                shortLow[before] = joined;
                if (joined) {
                    between[before] += g;
                    between[before] += between[c];
                    // It lies before o: this pass, like a search that goes on
                    // after each replacement, does not come back to it.
                    pairsByStretch[between[before]].insert(before);
                }
            }
            shortLow[o] = shortLow[c] = 0;
            it = pairs.upper_bound(o);
        }
    }
    if (!changed) return;
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    for (size_t i = 0; i < m; ++i) {
        if (alive[i]) continue;
        out.append(text, done, pos[i] - done);
        done = pos[i] + 1;
    }
    out.append(text, done, npos);
    text = std::move(out);
}

void FuseStarGroups(std::string& rtf) {
    ReplaceAll(rtf, "**", "");
    FuseGroups(rtf, '*');
}

FontTags FindFontTags(std::string_view rtf, int charSet) {
    FontTags tags;
    const size_t p = FindText(rtf, "fcharset" + std::to_string(charSet));
    if (p == npos) return tags;
    const size_t brace = rtf.rfind('{', p);
    if (brace == npos) return tags;
    tags.SymbolFontTag = std::string(rtf.substr(brace + 1, 3));
    const size_t p0 = FindText(rtf, "fcharset0");
    if (p0 == npos || p0 == 0) return tags;
    const size_t brace0 = rtf.rfind('{', p0 - 1);
    if (brace0 == npos) return tags;
    tags.AnsiFontTag = std::string(rtf.substr(brace0 + 1, 3));
    return tags;
}

void ReplaceCharSet(std::string& rtf, int charSet) {
    ReplaceAll(rtf, "\\fcharset" + std::to_string(charSet), "\\fcharset0");
}

void InsertDefaultFontTag(std::string& rtf, const FontTags& tags, int fontSize) {
    if (!tags.SymbolFontTag || !tags.AnsiFontTag) return;
    // The character after the first "\deff"; the fifth character of the text
    // when there is none (the position arithmetic of a search that failed).
    auto defaultFontChar = [&rtf]() -> std::string_view {
        const size_t d = FindText(rtf, "\\deff");
        const size_t at = d == npos ? 4 : d + 5;
        return at < rtf.size() ? std::string_view(rtf).substr(at, 1) : std::string_view();
    };
    auto lastChar = [](const std::string& tag) {
        return tag.empty() ? std::string_view() : std::string_view(tag).substr(tag.size() - 1);
    };
    const std::string size = "\\fs" + std::to_string(fontSize);
    for (const std::string* tag : {&*tags.SymbolFontTag, &*tags.AnsiFontTag}) {
        if (defaultFontChar() == lastChar(*tag)) ReplaceFirst(rtf, size, size + *tag);
    }
}

// The search goes on three characters after a replacement (right after the
// "#c#" put in) and four after an occurrence that stays, whatever the length
// of the coding: codings are taken to be one byte escape long.
void ReplaceCodeInSymbolFont(std::string& rtf, std::string_view CodingToFind, char CodingChar,
                             const FontTags& tags) {
    if (CodingToFind.empty() || !tags.SymbolFontTag) return;
    // Two equal tags are always equally far: nothing is ever replaced.
    if (tags.AnsiFontTag && *tags.AnsiFontTag == *tags.SymbolFontTag) return;
    size_t k = FindText(rtf, CodingToFind);
    if (k == npos) return;

    TagTracker symbol(tags.SymbolFontTag);
    TagTracker plain(tags.AnsiFontTag);
    const char group[3] = {'#', CodingChar, '#'};
    std::string out;  // the text before the current occurrence, as rewritten so far
    out.reserve(rtf.size());
    size_t done = 0;  // rtf[done..] has not been copied to `out`
    bool changed = false;
    while (k != npos) {
        out.append(rtf, done, k - done);
        done = k;
        size_t from;
        if (symbol.Distance(out) < plain.Distance(out)) {
            out.append(group, 3);
            done = k + CodingToFind.size();
            from = done;
            changed = true;
        } else {
            from = k + 4;
        }
        k = FindText(rtf, CodingToFind, from);
    }
    if (!changed) return;
    out.append(rtf, done, npos);
    rtf = std::move(out);
}

void ReplaceCells(std::string& rtf, const CellTable& cells, const FontTags& tags, const WorkBound& bound) {
    static const std::array<char, 256> kChars = [] {
        std::array<char, 256> chars{};
        for (size_t n = 0; n < chars.size(); ++n) chars[n] = static_cast<char>(n);
        return chars;
    }();
    std::vector<GroupRule> rules;
    for (int code : store::CellCodes()) {
        const std::string& coding = cells[static_cast<size_t>(code)];
        const bool byteEscape = coding.size() >= 2 && coding[0] == '\\' && coding[1] == '\'';
        rules.push_back({coding, std::string_view(&kChars[static_cast<size_t>(code)], 1), byteEscape});
    }
    ReplaceByGroups(rtf, '#', rules, tags, bound, Runaway::Cells);
}

void RecognizeSymbols(std::string& rtf, const std::vector<std::string>* bedList, const CellTable& cells,
                      int charSet, int fontSize, std::optional<WorkBound> bound) {
    if (!bound) bound = WorkBound::For(rtf.size());
    if (bedList) {
        ReplaceMeanings(rtf, *bedList, *bound);
        FuseStarGroups(rtf);
    }
    const FontTags tags = FindFontTags(rtf, charSet);
    if (tags.SymbolFontTag && tags.AnsiFontTag) {
        ReplaceCharSet(rtf, charSet);
        InsertDefaultFontTag(rtf, tags, fontSize);
    }
    ReplaceCells(rtf, cells, tags, *bound);
}

// --- Clean-up -----------------------------------------------------------------

std::string CutEnvelope(std::string_view rtf, int fontSize) {
    const std::string tag = "fs" + std::to_string(2 * fontSize);
    const size_t p = FindText(rtf, tag);
    const size_t begin = p == npos ? 3 : p + tag.size();
    if (rtf.size() < kTailLength || begin >= rtf.size() - kTailLength) return {};
    return std::string(rtf.substr(begin, rtf.size() - kTailLength - begin));
}

void FuseSymbolGroups(std::string& text) {
    ReplaceAll(text, "##", "");
    FuseGroups(text, '#');
}

// The 133 replacements never overlap (each is "\'" and two hex digits, none of
// which is a backslash) and put in nothing that could start another, so one
// pass gives what applying them one after the other gives.
void DecodeByteEscapes(std::string& text) {
    if (text.find("\\'") == npos) return;
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\\' && i + 3 < n && text[i + 1] == '\'' && IsLowerHexDigit(text[i + 2]) &&
            IsLowerHexDigit(text[i + 3])) {
            const int v = LowerHexValue(text[i + 2]) * 16 + LowerHexValue(text[i + 3]);
            const char* with = nullptr;
            char byte[2] = {static_cast<char>(v), 0};
            switch (v) {
            case 0x7b: with = "\\{"; break;
            case 0x7c: with = "|"; break;
            case 0x7d: with = "\\}"; break;
            case 0x7e: with = "~"; break;
            case 0x7f: with = " "; break;
            default:
                if (v >= 0x80) with = byte;
            }
            if (with) {
                out += with;
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    text = std::move(out);
}

void RemoveDirectionWords(std::string& text) {
    ReplaceAll(text, "\\rtlch", " ");
    ReplaceAll(text, "\\ltrch", "");
    ReplaceAll(text, "\\rtl", " ");
    ReplaceAll(text, "\\ltr", " ");
}

void RemoveControlWords(std::string& text) {
    RemoveWordLoop(text, "\\lang", [](size_t) { return size_t{9}; });
    RemoveWordLoop(text, "\\f", [&text](size_t k) { return k + 3 < text.size() && text[k + 3] == ' ' ? 4 : 3; });
    RemoveWordLoop(text, "\\kerning", [&text](size_t k) -> size_t {
        if (k + 8 >= text.size()) return 0;
        const auto c = static_cast<unsigned char>(text[k + 8]);
        return c >= 33 && c <= 57 ? 9 : 0;
    });
}

void RemoveParagraphWords(std::string& text) {
    for (const char* word : {"\\pard ", "\\pard", "\\par ", "\\par", "\\cf0", "\\cell", "\\row"})
        ReplaceAll(text, word, "");
}

void RemoveBackslashes(std::string& text) {
    size_t k = text.find('\\');
    if (k == npos) return;
    std::string out;
    out.reserve(text.size());
    size_t done = 0;
    while (k != npos) {
        out.append(text, done, k - done);
        if (k + 1 >= text.size()) {
            done = k + 1;
            break;
        }
        const auto c = static_cast<unsigned char>(text[k + 1]);
        const bool escape = c == 'u' || c == '\'';
        if (escape) out.push_back('\\');
        done = !escape && c >= 65 && c <= 122 && c != 93 ? k + 2 : k + 1;
        k = text.find('\\', done);
    }
    out.append(text, std::min(done, text.size()), npos);
    text = std::move(out);
}

std::string CleanUpRtf(std::string_view rtf, int fontSize) {
    std::string text = CutEnvelope(rtf, fontSize);
    FuseSymbolGroups(text);
    DecodeByteEscapes(text);
    RemoveDirectionWords(text);
    RemoveControlWords(text);
    RemoveParagraphWords(text);
    RemoveBackslashes(text);
    return text;
}

std::optional<std::string> TrimResult(int step, std::string_view text) {
    switch (step) {
    case 1:
        if (text.size() >= 2 && text[0] == ' ' && text[1] == '#') return std::string(text.substr(1));
        break;
    case 2:
        if (text.size() >= 2 && text.substr(text.size() - 2) == "  ") return std::string(text.substr(0, text.size() - 1));
        break;
    case 3:
        if (!text.empty() && text[0] == ' ') return std::string(text.substr(1));
        break;
    }
    return std::nullopt;
}

}  // namespace convert
