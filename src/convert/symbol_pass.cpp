#include "convert/symbol_pass.h"

#include <algorithm>
#include <memory>
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

size_t saturatingSum(size_t a, size_t b) { return a > SIZE_MAX - b ? SIZE_MAX : a + b; }

bool escapeBefore(std::string_view text, size_t at, size_t distance) {
    return at >= distance && text[at - distance] == '\\' && text[at - distance + 1] == '\'';
}

[[noreturn]] void runaway() { throw RunawayExpansion(Runaway::Cells); }

}  // namespace

// Walking the steps backwards, the expansion of a code at step k is its cell
// with each character's expansion after step k.
StepChain::StepChain(const std::vector<int>& codes, const CellTable& cells, size_t spelt) {
    pool_.resize(256);
    for (size_t c = 0; c < 256; ++c) {
        pool_[c] = static_cast<char>(c);
        code_[c] = Part{-1, static_cast<std::uint32_t>(c), 1};
        length_[c] = 1;
    }
    steps_.resize(codes.size());
    for (size_t k = codes.size(); k-- > 0;) {
        const std::string cell = replacementOf(cells, codes[k]);
        size_t length = 0;
        for (unsigned char x : cell) length = saturatingSum(length, length_[x]);
        Part becomes;
        if (length <= spelt) {
            // Every expansion in the cell is spelt out too: none is longer.
            becomes.at = static_cast<std::uint32_t>(pool_.size());
            becomes.length = static_cast<std::uint32_t>(length);
            pool_.reserve(pool_.size() + length);
            for (unsigned char x : cell) pool_.append(pool_, code_[x].at, code_[x].length);
        } else {
            becomes.step = static_cast<int>(k);
            Step& step = steps_[k];
            step.length = length;
            step.firstPart = static_cast<std::uint32_t>(parts_.size());
            for (unsigned char x : cell) appendPart(step.firstPart, code_[x]);
            step.partCount = static_cast<std::uint32_t>(parts_.size()) - step.firstPart;
        }
        code_[static_cast<unsigned char>(codes[k])] = becomes;
        length_[static_cast<unsigned char>(codes[k])] = length;
    }
}

// Appends a part to the step whose parts begin at `first`. Single bytes (the
// characters of a cell that no later step replaces) are copied next to each
// other into one part, which costs at most what the cell costs.
void StepChain::appendPart(std::uint32_t first, const Part& part) {
    if (part.step >= 0 || part.length > 1) {
        parts_.push_back(part);
        return;
    }
    if (part.length == 0) return;
    const auto end = static_cast<std::uint32_t>(pool_.size());
    pool_.push_back(pool_[part.at]);
    if (parts_.size() > first && parts_.back().step < 0 && parts_.back().at + parts_.back().length == end) {
        ++parts_.back().length;
    } else {
        parts_.push_back(Part{-1, end, 1});
    }
}

size_t StepChain::LengthOf(std::string_view text) const {
    size_t length = 0;
    for (unsigned char c : text) length = saturatingSum(length, length_[c]);
    return length;
}

void StepChain::MapInto(std::string_view text, size_t length, std::string& out) const {
    out.resize(length);
    char* at = out.data();
    for (unsigned char c : text) {
        const Part& part = code_[c];
        if (part.step >= 0) {
            at = expand(part.step, at);
        } else if (part.length == 1) {
            *at++ = pool_[part.at];
        } else {
            at = std::copy_n(pool_.data() + part.at, part.length, at);
        }
    }
}

// A step's parts name later steps only, so the stack is no deeper than the
// steps are many; every part gives at least one byte.
char* StepChain::expand(int step, char* at) const {
    struct Open {
        std::uint32_t next, end;
    };
    std::vector<Open> open;
    auto push = [&](int k) {
        const Step& s = steps_[static_cast<size_t>(k)];
        open.push_back({s.firstPart, s.firstPart + s.partCount});
    };
    push(step);
    while (!open.empty()) {
        if (open.back().next == open.back().end) {
            open.pop_back();
            continue;
        }
        const Part& part = parts_[open.back().next++];
        if (part.step >= 0) {
            push(part.step);
        } else {
            at = std::copy_n(pool_.data() + part.at, part.length, at);
        }
    }
    return at;
}

std::string HexLetterStep(std::string_view text, char letter, std::string_view cell, size_t limit) {
    std::string out;
    out.reserve(std::min(text.size(), limit));
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != letter || escapeBefore(text, i, 2) || escapeBefore(text, i, 3)) {
            out.push_back(text[i]);
        } else {
            if (out.size() + cell.size() > limit) runaway();
            out.append(cell);
        }
    }
    if (out.size() > limit) runaway();
    return out;
}

namespace {

// The six letter steps act as one when no letter's cell can change what a
// later step sees: no hex letter in it (a later step would replace it), and no
// "\'" that it holds or could form with its neighbours (an empty cell joins
// them). A letter whose window holds "\'" then has only a kept hex digit
// between, so its window is the same in one step as in six.
bool hexStepsAreIndependent(const CellTable& cells) {
    for (char letter = 'a'; letter <= 'f'; ++letter) {
        const std::string& cell = cells[static_cast<unsigned char>(letter)];
        if (cell.empty() || cell.find_first_of("abcdef") != std::string::npos ||
            cell.find("\\'") != std::string::npos || cell.back() == '\\' || cell.front() == '\'')
            return false;
    }
    return true;
}

}  // namespace

SegmentConverter::SegmentConverter(const CellTable& cells, size_t spelt)
    : cells_(cells),
      before_(stepsBeforeHexLetters(), cells, spelt),
      after_(stepsAfterHexLetters(), cells, spelt),
      hexStepsAtOnce_(hexStepsAreIndependent(cells)) {}

// The lengths through the steps around the hex letters are known before the
// text is built; the hex letters' steps are checked as they go.
void SegmentConverter::ConvertInto(std::string_view segment, std::string& out, std::string& scratch, size_t limit,
                                   size_t stepLimit) const {
    // A length of SIZE_MAX stands for any larger one.
    const size_t first = before_.LengthOf(segment);
    if (first > stepLimit || first == SIZE_MAX) runaway();
    before_.MapInto(segment, first, scratch);
    if (hexStepsAtOnce_) {
        out.clear();
        for (size_t i = 0; i < scratch.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(scratch[i]);
            if (c < 'a' || c > 'f' || escapeBefore(scratch, i, 2) || escapeBefore(scratch, i, 3)) {
                out.push_back(scratch[i]);
            } else {
                if (out.size() + cells_[c].size() > stepLimit) runaway();
                out.append(cells_[c]);
            }
        }
        if (out.size() > stepLimit) runaway();
        std::swap(out, scratch);
    } else {
        for (char letter = 'a'; letter <= 'f'; ++letter)
            scratch = HexLetterStep(scratch, letter, cells_[static_cast<unsigned char>(letter)], stepLimit);
    }
    const size_t last = after_.LengthOf(scratch);
    if (last > limit || last == SIZE_MAX) runaway();
    after_.MapInto(scratch, last, out);
}

namespace {

// Converted segments, kept in large blocks that never move, so that chunks of
// the working text can point into them.
class TextArena {
public:
    std::string_view Add(std::string_view text) {
        if (text.empty()) return {};
        if (text.size() > capacity_ - used_) {
            capacity_ = std::max<size_t>(text.size(), 64 * 1024);
            blocks_.push_back(std::make_unique<char[]>(capacity_));
            used_ = 0;
        }
        char* at = blocks_.back().get() + used_;
        std::copy(text.begin(), text.end(), at);
        used_ += text.size();
        return {at, text.size()};
    }

private:
    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = 0, capacity_ = 0;
};

// The working text as the chunks between its "#" marks (gaps), so that the
// replacement of "#" & segment & "#" needs no search through the whole text.
// An occurrence of "#" & s & "#" is exactly a gap with both marks around it
// whose text is s (a segment holds no "#"); the left-to-right scan without
// overlap takes every other gap of a run of adjacent equal gaps, starting with
// the leftmost. Replacing a gap joins it with both neighbours.
//
// Only gaps that can equal a segment are indexed: those with marks on both
// sides whose text has the hash of a segment.
class GapList {
public:
    // `marks` are the places of the "#" in `text`; the segments lie between
    // marks 0 and 1, 2 and 3, and so on. The text may not grow past `bound`.
    GapList(std::string_view text, const std::vector<size_t>& marks, const WorkBound& bound);

    // The hash of pair k's segment.
    const TextHash& SegmentKey(size_t pair) const { return segmentKeys_[pair]; }
    // The gaps a replacement of every "#" & segment & "#" takes, into `matched`.
    void FindQuoted(const TextHash& key, std::string_view segment, std::vector<int>& matched);
    // How long a converted segment may be for those gaps, and a text the
    // conversion builds on the way, before the text passes its bound.
    size_t RoomFor(const std::vector<int>& matched, std::string_view segment) const;
    size_t RoomBeside() const { return bound_.Left(size_ + (listBytes() - startListBytes_)); }
    void ReplaceQuoted(const std::vector<int>& matched, const TextHash& key, std::string_view segment,
                       std::string_view converted);
    std::string Text() const;

private:
    struct Chunk {
        std::string_view text;
        int next = -1;
    };
    struct Gap {
        int prev = -1, next = -1;
        int head = -1, tail = -1;  // chunks
        // The hash value is kept only while the gap has marks on both sides:
        // the text before the first mark and after the last is never looked up.
        TextHash hash;
        bool hashed = false;
        unsigned version = 0;
        bool alive = true;
    };
    struct Entry {
        int gap;
        unsigned version;
        int next;
    };

    bool bounded(int g) const { return gaps_[g].prev >= 0 && gaps_[g].next >= 0; }
    size_t listBytes() const {
        return gaps_.size() * sizeof(Gap) + chunks_.size() * sizeof(Chunk) + entries_.size() * sizeof(Entry);
    }
    bool current(const Entry& e) const {
        const Gap& g = gaps_[e.gap];
        return g.alive && g.version == e.version && bounded(e.gap);
    }
    bool holds(int g, std::string_view s) const;
    int newChunk(std::string_view text);
    int newGap(std::string_view text);
    void append(int g, std::string_view text);
    void prepend(int g, std::string_view text);
    void absorbNext(int g);
    void changed(int g);
    void replace(int g, std::string_view converted);

    std::vector<Chunk> chunks_;
    std::vector<Gap> gaps_;
    std::vector<TextHash> segmentKeys_;
    std::vector<bool> segmentLength_;  // whether some segment has this length
    std::unordered_map<TextHash, int, TextHash::Hasher> heads_;  // first entry per segment hash
    std::vector<Entry> entries_;
    std::vector<unsigned> candidateStamp_;
    unsigned stamp_ = 0;
    size_t size_ = 0;  // of the text the list holds
    WorkBound bound_;
    size_t startListBytes_ = 0;  // of the lists that describe the code text
};

GapList::GapList(std::string_view text, const std::vector<size_t>& marks, const WorkBound& bound)
    : size_(text.size()), bound_(bound) {
    size_t from = 0;
    for (size_t k = 0; k <= marks.size(); ++k) {
        const size_t to = k < marks.size() ? marks[k] : text.size();
        const int g = newGap(text.substr(from, to - from));
        if (g > 0) {
            gaps_[g].prev = g - 1;
            gaps_[g - 1].next = g;
        }
        from = to + 1;
    }
    for (size_t k = 0; k + 1 < marks.size(); k += 2) {
        const std::string_view segment = text.substr(marks[k] + 1, marks[k + 1] - marks[k] - 1);
        segmentKeys_.push_back(TextHash::Of(segment));
        heads_.emplace(segmentKeys_.back(), -1);
        if (segment.size() >= segmentLength_.size()) segmentLength_.resize(segment.size() + 1);
        segmentLength_[segment.size()] = true;
    }
    for (int g = 1; g + 1 < static_cast<int>(gaps_.size()); ++g) changed(g);
    startListBytes_ = listBytes();
}

int GapList::newChunk(std::string_view text) {
    chunks_.push_back(Chunk{text, -1});
    return static_cast<int>(chunks_.size()) - 1;
}

int GapList::newGap(std::string_view text) {
    Gap g;
    g.head = g.tail = newChunk(text);
    g.hash.length = text.size();
    gaps_.push_back(g);
    return static_cast<int>(gaps_.size()) - 1;
}

void GapList::append(int g, std::string_view text) {
    if (text.empty()) return;
    const int p = newChunk(text);
    chunks_[gaps_[g].tail].next = p;
    gaps_[g].tail = p;
    if (gaps_[g].hashed) {
        gaps_[g].hash = TextHash::Concat(gaps_[g].hash, TextHash::Of(text));
    } else {
        gaps_[g].hash.length += text.size();
    }
}

void GapList::prepend(int g, std::string_view text) {
    if (text.empty()) return;
    const int p = newChunk(text);
    chunks_[p].next = gaps_[g].head;
    gaps_[g].head = p;
    if (gaps_[g].hashed) {
        gaps_[g].hash = TextHash::Concat(TextHash::Of(text), gaps_[g].hash);
    } else {
        gaps_[g].hash.length += text.size();
    }
}

// Joins the next gap onto g: the mark between them is gone.
void GapList::absorbNext(int g) {
    Gap& left = gaps_[g];
    Gap& right = gaps_[left.next];
    chunks_[left.tail].next = right.head;
    left.tail = right.tail;
    if (left.hashed && right.hashed) {
        left.hash = TextHash::Concat(left.hash, right.hash);
    } else {
        left.hashed = false;
        left.hash.length += right.hash.length;
    }
    right.alive = false;
    left.next = right.next;
    if (left.next >= 0) gaps_[left.next].prev = g;
}

void GapList::changed(int g) {
    Gap& gap = gaps_[g];
    ++gap.version;
    if (!bounded(g)) {
        gap.hashed = false;
        return;
    }
    if (gap.hash.length >= segmentLength_.size() || !segmentLength_[gap.hash.length]) return;
    if (!gap.hashed) {
        TextHash h;
        for (int p = gap.head; p >= 0; p = chunks_[p].next) h = TextHash::Concat(h, TextHash::Of(chunks_[p].text));
        gap.hash = h;
        gap.hashed = true;
    }
    auto it = heads_.find(gap.hash);
    if (it == heads_.end()) return;
    entries_.push_back(Entry{g, gap.version, it->second});
    it->second = static_cast<int>(entries_.size()) - 1;
}

bool GapList::holds(int g, std::string_view s) const {
    if (gaps_[g].hash.length != s.size()) return false;
    size_t at = 0;
    for (int p = gaps_[g].head; p >= 0; p = chunks_[p].next) {
        const std::string_view t = chunks_[p].text;
        if (s.compare(at, t.size(), t) != 0) return false;
        at += t.size();
    }
    return at == s.size();
}

// Gap g and its two marks become the converted text; a "#" inside the
// converted text is a mark of the working text from now on.
void GapList::replace(int g, std::string_view conv) {
    const int left = gaps_[g].prev;
    const int right = gaps_[g].next;
    gaps_[g].alive = false;
    gaps_[left].next = right;
    gaps_[right].prev = left;

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

void GapList::FindQuoted(const TextHash& key, std::string_view segment, std::vector<int>& matched) {
    matched.clear();
    ++stamp_;
    candidateStamp_.resize(gaps_.size(), 0);
    std::vector<int> candidates;
    for (int e = heads_[key]; e >= 0; e = entries_[e].next) {
        if (current(entries_[e]) && holds(entries_[e].gap, segment)) {
            candidates.push_back(entries_[e].gap);
            candidateStamp_[entries_[e].gap] = stamp_;
        }
    }
    auto isCandidate = [&](int g) { return g >= 0 && candidateStamp_[g] == stamp_; };
    for (int start : candidates) {
        if (isCandidate(gaps_[start].prev)) continue;  // not the first of its run
        bool take = true;
        for (int g = start; isCandidate(g); g = gaps_[g].next) {
            if (take) matched.push_back(g);
            take = !take;
        }
    }
}

// The text without the gaps, and what the lists grow by with a converted
// text without a mark: its share of the bound.
size_t GapList::RoomFor(const std::vector<int>& matched, std::string_view segment) const {
    const size_t count = matched.size();
    const size_t rest = size_ - count * (segment.size() + 2) + (listBytes() - startListBytes_) +
                        count * 2 * (sizeof(Chunk) + sizeof(Entry));
    return bound_.Left(rest) / count;
}

// Each replaced gap held the segment between its two marks. What the lists
// that describe the text have grown by counts too: a replacement adds a gap
// for each mark it puts in, and a chunk and an entry for each gap it changes.
// The lists of the code text itself are no growth: a long text dense in marks
// takes many times its size in them from the start.
void GapList::ReplaceQuoted(const std::vector<int>& matched, const TextHash& key, std::string_view segment,
                            std::string_view converted) {
    const size_t grown = size_ - matched.size() * (segment.size() + 2) + matched.size() * converted.size();
    const size_t marks = static_cast<size_t>(std::count(converted.begin(), converted.end(), '#'));
    const size_t grownLists = matched.size() * (marks * sizeof(Gap) + (marks + 2) * (sizeof(Chunk) + sizeof(Entry)));
    CheckBound(grown + (listBytes() - startListBytes_) + grownLists, bound_, Runaway::Cells);
    size_ = grown;
    for (int g : matched) replace(g, converted);

    // Keep only the entries that still describe their gap.
    int* link = &heads_[key];
    while (*link >= 0) {
        Entry& e = entries_[*link];
        if (current(e)) {
            link = &e.next;
        } else {
            *link = e.next;
        }
    }
}

std::string GapList::Text() const {
    size_t size = 0;
    for (int g = 0; g >= 0; g = gaps_[g].next) size += gaps_[g].hash.length + 1;
    std::string out;
    out.reserve(size);
    for (int g = 0; g >= 0; g = gaps_[g].next) {
        if (g > 0) out.push_back('#');
        for (int p = gaps_[g].head; p >= 0; p = chunks_[p].next) out.append(chunks_[p].text);
    }
    return out;
}

}  // namespace

std::string SymbolPass(std::string_view text, const SegmentConverter& converter, const WorkBound& bound) {
    std::vector<size_t> marks;
    for (size_t i = text.find('#'); i != std::string_view::npos; i = text.find('#', i + 1)) marks.push_back(i);
    if (marks.size() < 2) return std::string(text);

    GapList work(text, marks, bound);
    TextArena arena;
    std::unordered_map<std::string_view, std::string_view> converted;
    std::string out, scratch;
    std::vector<int> matched;
    for (size_t k = 0; k + 1 < marks.size(); k += 2) {
        const std::string_view segment = text.substr(marks[k] + 1, marks[k + 1] - marks[k] - 1);
        const TextHash& key = work.SegmentKey(k / 2);
        work.FindQuoted(key, segment, matched);
        if (matched.empty()) continue;
        auto it = converted.find(segment);
        if (it == converted.end()) {
            // A segment is converted once for all its groups, so it may take
            // only its share of what the text may grow by.
            converter.ConvertInto(segment, out, scratch, work.RoomFor(matched, segment), work.RoomBeside());
            it = converted.emplace(segment, arena.Add(out)).first;
        }
        work.ReplaceQuoted(matched, key, segment, it->second);
    }
    return work.Text();
}

std::string SymbolPass(std::string_view text, const CellTable& cells) {
    if (text.find('#') == std::string_view::npos) return std::string(text);
    return SymbolPass(text, SegmentConverter(cells));
}

}  // namespace convert
