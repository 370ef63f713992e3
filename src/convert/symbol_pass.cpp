#include "convert/symbol_pass.h"

#include <deque>
#include <unordered_map>
#include <vector>

#include "convert/text_hash.h"

namespace convert {
namespace {

// The replacement steps around the hex letters, in order. Code 95 "_" stands
// twice: its second step only meets a "_" that an earlier cell inserted.
std::vector<int> stepsBeforeHexLetters() {
    std::vector<int> codes = {117, 95};
    for (int c = 64; c <= 91; ++c) codes.push_back(c);
    for (int c : {93, 94, 95, 96}) codes.push_back(c);
    return codes;
}

std::vector<int> stepsAfterHexLetters() {
    std::vector<int> codes;
    for (int c = 103; c <= 116; ++c) codes.push_back(c);
    for (int c = 118; c <= 255; ++c) codes.push_back(c);  // 123 to 125 in order among them
    return codes;
}

std::string replacementOf(const CellTable& cells, int code) {
    if (code == '{') return "\\{";
    if (code == '}') return "\\}";
    return cells[static_cast<size_t>(code)];
}

// Each step replaces one code in the whole text, so a step sequence acts on a
// text character by character. Walking the steps backwards, the expansion of a
// code at step k is its replacement taken through the steps after k.
std::array<std::string, 256> expansionThrough(const std::vector<int>& steps, const CellTable& cells) {
    std::array<std::string, 256> table;
    for (int c = 0; c < 256; ++c) table[static_cast<size_t>(c)] = std::string(1, static_cast<char>(c));
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        std::string expanded;
        for (unsigned char r : replacementOf(cells, *it)) expanded += table[r];
        table[static_cast<size_t>(*it)] = std::move(expanded);
    }
    return table;
}

std::string mapThrough(std::string_view text, const std::array<std::string, 256>& table) {
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char c : text) out += table[c];
    return out;
}

bool escapeBefore(std::string_view text, size_t at, size_t distance) {
    return at >= distance && text[at - distance] == '\\' && text[at - distance + 1] == '\'';
}

}  // namespace

std::string HexLetterStep(std::string_view text, char letter, std::string_view cell) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != letter || escapeBefore(text, i, 2) || escapeBefore(text, i, 3)) {
            out.push_back(text[i]);
        } else {
            out.append(cell);
        }
    }
    return out;
}

SegmentConverter::SegmentConverter(const CellTable& cells)
    : cells_(cells),
      before_(expansionThrough(stepsBeforeHexLetters(), cells)),
      after_(expansionThrough(stepsAfterHexLetters(), cells)) {}

std::string SegmentConverter::Convert(std::string_view segment) const {
    std::string text = mapThrough(segment, before_);
    for (char letter = 'a'; letter <= 'f'; ++letter)
        text = HexLetterStep(text, letter, cells_[static_cast<unsigned char>(letter)]);
    return mapThrough(text, after_);
}

namespace {

// The working text as the pieces between its "#" marks (gaps), so that the
// replacement of "#" & segment & "#" needs no search through the whole text.
// An occurrence of "#" & s & "#" is exactly a gap with both marks around it
// whose text is s (a segment holds no "#"); the left-to-right scan without
// overlap takes every other gap of a run of adjacent equal gaps, starting with
// the leftmost. Replacing a gap joins it with both neighbours.
class GapList {
public:
    explicit GapList(std::string_view text);

    void ReplaceAllQuoted(std::string_view segment, const std::string& converted);
    std::string Text() const;

private:
    struct Piece {
        std::string_view text;
        int next = -1;
    };
    struct Gap {
        int prev = -1, next = -1;
        int head = -1, tail = -1;  // pieces
        TextHash hash;
        unsigned version = 0;
        bool alive = true;
    };
    struct Entry {
        int gap;
        unsigned version;
    };

    bool bounded(int g) const { return gaps_[g].prev >= 0 && gaps_[g].next >= 0; }
    bool current(const Entry& e) const {
        const Gap& g = gaps_[e.gap];
        return g.alive && g.version == e.version && bounded(e.gap);
    }
    bool holds(int g, std::string_view s) const;
    int newPiece(std::string_view text);
    int newGap(std::string_view text);
    void append(int g, std::string_view text);
    void prepend(int g, std::string_view text);
    void absorbNext(int g);
    void changed(int g);
    void replace(int g, const std::string& converted);

    std::vector<Piece> pieces_;
    std::vector<Gap> gaps_;
    std::unordered_map<TextHash, std::vector<Entry>, TextHash::Hasher> index_;
    std::vector<unsigned> candidateStamp_;
    unsigned stamp_ = 0;
};

GapList::GapList(std::string_view text) {
    size_t from = 0;
    while (true) {
        const size_t mark = text.find('#', from);
        const std::string_view part = text.substr(from, mark == std::string_view::npos ? mark : mark - from);
        const int g = newGap(part);
        if (g > 0) {
            gaps_[g].prev = g - 1;
            gaps_[g - 1].next = g;
        }
        if (mark == std::string_view::npos) break;
        from = mark + 1;
    }
    for (int g = 1; g + 1 < static_cast<int>(gaps_.size()); ++g) changed(g);
}

int GapList::newPiece(std::string_view text) {
    pieces_.push_back(Piece{text, -1});
    return static_cast<int>(pieces_.size()) - 1;
}

int GapList::newGap(std::string_view text) {
    Gap g;
    g.head = g.tail = newPiece(text);
    g.hash = TextHash::Of(text);
    gaps_.push_back(g);
    return static_cast<int>(gaps_.size()) - 1;
}

void GapList::append(int g, std::string_view text) {
    if (text.empty()) return;
    const int p = newPiece(text);
    pieces_[gaps_[g].tail].next = p;
    gaps_[g].tail = p;
    gaps_[g].hash = TextHash::Concat(gaps_[g].hash, TextHash::Of(text));
}

void GapList::prepend(int g, std::string_view text) {
    if (text.empty()) return;
    const int p = newPiece(text);
    pieces_[p].next = gaps_[g].head;
    gaps_[g].head = p;
    gaps_[g].hash = TextHash::Concat(TextHash::Of(text), gaps_[g].hash);
}

// Joins the next gap onto g: the mark between them is gone.
void GapList::absorbNext(int g) {
    Gap& left = gaps_[g];
    Gap& right = gaps_[left.next];
    pieces_[left.tail].next = right.head;
    left.tail = right.tail;
    left.hash = TextHash::Concat(left.hash, right.hash);
    right.alive = false;
    left.next = right.next;
    if (left.next >= 0) gaps_[left.next].prev = g;
}

void GapList::changed(int g) {
    ++gaps_[g].version;
    if (bounded(g)) index_[gaps_[g].hash].push_back(Entry{g, gaps_[g].version});
}

bool GapList::holds(int g, std::string_view s) const {
    if (gaps_[g].hash.length != s.size()) return false;
    size_t at = 0;
    for (int p = gaps_[g].head; p >= 0; p = pieces_[p].next) {
        const std::string_view t = pieces_[p].text;
        if (s.compare(at, t.size(), t) != 0) return false;
        at += t.size();
    }
    return at == s.size();
}

// Gap g and its two marks become the converted text; a "#" inside the
// converted text is a mark of the working text from now on.
void GapList::replace(int g, const std::string& converted) {
    const int left = gaps_[g].prev;
    const int right = gaps_[g].next;
    gaps_[g].alive = false;
    gaps_[left].next = right;
    gaps_[right].prev = left;

    const std::string_view conv = converted;
    const size_t first = conv.find('#');
    if (first == std::string_view::npos) {
        append(left, conv);
        absorbNext(left);
        changed(left);
        return;
    }
    append(left, conv.substr(0, first));
    changed(left);
    int before = left;
    size_t from = first + 1;
    for (size_t mark = conv.find('#', from); mark != std::string_view::npos; mark = conv.find('#', from)) {
        const int middle = newGap(conv.substr(from, mark - from));
        gaps_[middle].prev = before;
        gaps_[middle].next = right;
        gaps_[before].next = middle;
        gaps_[right].prev = middle;
        changed(middle);
        before = middle;
        from = mark + 1;
    }
    gaps_[right].prev = before;
    prepend(right, conv.substr(from));
    changed(right);
}

void GapList::ReplaceAllQuoted(std::string_view segment, const std::string& converted) {
    auto it = index_.find(TextHash::Of(segment));
    if (it == index_.end()) return;
    std::vector<Entry>& entries = it->second;

    ++stamp_;
    candidateStamp_.resize(gaps_.size(), 0);
    std::vector<int> candidates;
    for (const Entry& e : entries) {
        if (current(e) && holds(e.gap, segment)) {
            candidates.push_back(e.gap);
            candidateStamp_[e.gap] = stamp_;
        }
    }
    auto isCandidate = [&](int g) { return g >= 0 && candidateStamp_[g] == stamp_; };

    std::vector<int> matched;
    for (int start : candidates) {
        if (isCandidate(gaps_[start].prev)) continue;  // not the first of its run
        bool take = true;
        for (int g = start; isCandidate(g); g = gaps_[g].next) {
            if (take) matched.push_back(g);
            take = !take;
        }
    }
    for (int g : matched) replace(g, converted);

    // `entries` may have moved while gaps were re-indexed.
    std::vector<Entry>& left = index_[TextHash::Of(segment)];
    std::erase_if(left, [&](const Entry& e) { return !current(e); });
}

std::string GapList::Text() const {
    std::string out;
    for (int g = 0; g >= 0; g = gaps_[g].next) {
        if (g > 0) out.push_back('#');
        for (int p = gaps_[g].head; p >= 0; p = pieces_[p].next) out.append(pieces_[p].text);
    }
    return out;
}

}  // namespace

std::string SymbolPass(std::string_view text, const SegmentConverter& converter) {
    std::vector<size_t> marks;
    for (size_t i = text.find('#'); i != std::string_view::npos; i = text.find('#', i + 1)) marks.push_back(i);
    if (marks.size() < 2) return std::string(text);

    GapList work(text);
    std::unordered_map<std::string_view, std::string> converted;
    for (size_t k = 0; k + 1 < marks.size(); k += 2) {
        const std::string_view segment = text.substr(marks[k] + 1, marks[k + 1] - marks[k] - 1);
        auto it = converted.find(segment);
        if (it == converted.end()) it = converted.emplace(segment, converter.Convert(segment)).first;
        work.ReplaceAllQuoted(segment, it->second);
    }
    return work.Text();
}

std::string SymbolPass(std::string_view text, const CellTable& cells) {
    if (text.find('#') == std::string_view::npos) return std::string(text);
    return SymbolPass(text, SegmentConverter(cells));
}

}  // namespace convert
