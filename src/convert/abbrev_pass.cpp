#include "convert/abbrev_pass.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "convert/exchange_sort.h"
#include "convert/replace.h"

namespace convert {

void DisplayLengthCounter::Feed(std::string_view more) {
    for (size_t i = 0; i < more.size(); ++i) {
        if (!afterBackslash_ && pendingUnicode_ < 0) {
            // Only a backslash can begin an escape: the rest is passed over at once.
            const void* next = std::memchr(more.data() + i, '\\', more.size() - i);
            if (!next) break;
            i = static_cast<size_t>(static_cast<const char*>(next) - more.data());
        }
        const char c = more[i];
        if (!afterBackslash_ && c != '\\' && c != '?') continue;
        const std::int64_t at = count_ + static_cast<std::int64_t>(i);
        // A "\u" counts as one character with everything up to its "?",
        // unless another "\" comes first.
        if (pendingUnicode_ >= 0) {
            if (c == '?') {
                overhead_ += at - pendingUnicode_;
                pendingUnicode_ = -1;
            } else if (c == '\\') {
                pendingUnicode_ = -1;
            }
        }
        if (afterBackslash_) {
            if (c == 'u') pendingUnicode_ = at - 1;
            if (c == '\'') overhead_ += 3;
        }
        afterBackslash_ = (c == '\\');
    }
    count_ += static_cast<std::int64_t>(more.size());
}

std::int64_t DisplayLength(std::string_view text) {
    DisplayLengthCounter counter;
    counter.Feed(text);
    return counter.Value();
}

void TraceAbbList(std::vector<std::string>& list) {
    ExchangeSortByKeyDescending(list, [](const std::string& entry) {
        const size_t eq = entry.find('=');
        return eq == std::string::npos ? 0 : static_cast<long long>(eq) + 1;
    });
}

AbbTable::AbbTable(std::vector<std::string> lines) : lines_(std::move(lines)) {
    struct BuildNode {
        std::vector<std::pair<unsigned char, int>> children;
        std::vector<int> entries;
    };
    std::vector<BuildNode> trie(1);
    std::array<bool, 256> inAbbreviation{};
    entry_.reserve(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& line = lines_[i];
        Entry e;
        e.start = pool_.size();
        pool_ += line;
        e.end = pool_.size();
        const size_t eq = line.find('=');
        // An entry without "=" or beginning with "=" is never used.
        e.equals = eq == std::string::npos || eq == 0 ? std::string::npos : e.start + eq;
        entry_.push_back(e);
        if (e.equals == std::string::npos) continue;
        longest_ = std::max(longest_, eq);
        int node = 0;
        for (size_t k = 0; k < eq; ++k) {
            const unsigned char c = static_cast<unsigned char>(line[k]);
            inAbbreviation[c] = true;
            auto& children = trie[static_cast<size_t>(node)].children;
            auto it = std::find_if(children.begin(), children.end(), [c](const auto& ch) { return ch.first == c; });
            if (it == children.end()) {
                children.emplace_back(c, static_cast<int>(trie.size()));
                node = static_cast<int>(trie.size());
                trie.emplace_back();
            } else {
                node = it->second;
            }
        }
        trie[static_cast<size_t>(node)].entries.push_back(static_cast<int>(i));
    }
    nodes_.resize(trie.size());
    for (size_t n = 0; n < trie.size(); ++n) {
        Node& node = nodes_[n];
        node.firstChild = static_cast<int>(children_.size());
        node.childCount = static_cast<int>(trie[n].children.size());
        children_.insert(children_.end(), trie[n].children.begin(), trie[n].children.end());
        node.firstEntry = static_cast<int>(entries_.size());
        node.entryCount = static_cast<int>(trie[n].entries.size());
        if (node.entryCount > 0) node.entry = trie[n].entries.front();
        entries_.insert(entries_.end(), trie[n].entries.begin(), trie[n].entries.end());
        if (node.childCount > 6) {
            node.dense = static_cast<int>(denseChildren_.size());
            denseChildren_.emplace_back();
            denseChildren_.back().fill(-1);
            for (const auto& [c, to] : trie[n].children) denseChildren_.back()[c] = to;
        }
    }
    link();
    std::vector<size_t> border;
    for (size_t i = 0; i < entry_.size(); ++i) {
        if (entry_[i].equals == std::string::npos) continue;
        const std::string_view m = meaning(static_cast<int>(i));
        entry_[i].meaningJoins =
            m.empty() || std::any_of(m.begin(), m.end(), [&](char c) { return inAbbreviation[static_cast<unsigned char>(c)]; });
        // Occurrences overlap when the abbreviation begins with one of its own ends.
        const std::string_view a = abb(static_cast<int>(i));
        border.assign(a.size(), 0);
        for (size_t k = 1, b = 0; k < a.size(); ++k) {
            while (b > 0 && a[k] != a[b]) b = border[b - 1];
            if (a[k] == a[b]) ++b;
            border[k] = b;
        }
        entry_[i].overlaps = border.back() > 0;
    }
}

std::string_view AbbTable::abb(int entry) const {
    const Entry& e = entry_[static_cast<size_t>(entry)];
    return std::string_view(pool_).substr(e.start, e.equals - e.start);
}

std::string_view AbbTable::meaning(int entry) const {
    const Entry& e = entry_[static_cast<size_t>(entry)];
    return std::string_view(pool_).substr(e.equals + 1, e.end - e.equals - 1);
}

inline int AbbTable::child(int node, unsigned char c) const {
    const Node& n = nodes_[static_cast<size_t>(node)];
    if (n.dense >= 0) return denseChildren_[static_cast<size_t>(n.dense)][c];
    for (int k = n.firstChild, end = n.firstChild + n.childCount; k < end; ++k)
        if (children_[static_cast<size_t>(k)].first == c) return children_[static_cast<size_t>(k)].second;
    return -1;
}

// The links, breadth first: a node's suffixes are shallower than it.
void AbbTable::link() {
    std::vector<int> queue = {0};
    for (size_t q = 0; q < queue.size(); ++q) {
        const int parent = queue[q];
        const Node& p = nodes_[static_cast<size_t>(parent)];
        for (int k = p.firstChild, end = p.firstChild + p.childCount; k < end; ++k) {
            const auto [c, node] = children_[static_cast<size_t>(k)];
            Node& n = nodes_[static_cast<size_t>(node)];
            n.depth = p.depth + 1;
            if (parent != 0) {
                int f = p.fail;
                while (f != 0 && child(f, c) < 0) f = nodes_[static_cast<size_t>(f)].fail;
                n.fail = std::max(child(f, c), 0);
            }
            const Node& suffix = nodes_[static_cast<size_t>(n.fail)];
            n.output = suffix.entryCount > 0 ? n.fail : suffix.output;
            queue.push_back(node);
        }
    }
}

template <class Push>
void AbbTable::findAt(std::string_view text, size_t from, size_t to, size_t after, int current,
                      Push&& push) const {
    // An abbreviation that starts before `to` ends before this.
    const size_t end = std::min(text.size(), to + longest_ - 1);
    int node = 0;
    for (size_t at = from; at < end; ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        int on = child(node, c);
        while (on < 0 && node != 0) {
            node = nodes_[static_cast<size_t>(node)].fail;
            on = child(node, c);
        }
        node = std::max(on, 0);
        if (at + 1 <= after) continue;
        // The abbreviations ending here, longest first.
        const Node& here = nodes_[static_cast<size_t>(node)];
        for (int found = here.entryCount > 0 ? node : here.output; found != 0;
             found = nodes_[static_cast<size_t>(found)].output) {
            const Node& n = nodes_[static_cast<size_t>(found)];
            const size_t start = at + 1 - static_cast<size_t>(n.depth);
            if (start >= to) break;
            if (n.entry > current) {
                push(n.entry, start);
                continue;
            }
            // Later entries with the same abbreviation matter only when it
            // turns up again, and then it is found again.
            const auto first = entries_.begin() + n.firstEntry;
            const auto last = first + n.entryCount;
            const auto next = std::upper_bound(first, last, current);
            if (next != last) push(*next, start);
        }
    }
}

namespace {

using Place = PieceText::Place;

// A replacement made in pieces costs about as much as rewriting this many
// bytes of the whole text: an entry that replaces more often than once in as
// many bytes of a text that is not small rewrites the whole text instead.
constexpr size_t kReplacementCost = 512;
constexpr size_t kSmallText = 4096;
bool replacesAllOver(size_t replacements, size_t size) {
    return size > kSmallText && replacements * kReplacementCost > size;
}
// Finding every abbreviation in the whole text again costs about as much as
// rewriting it this many times.
constexpr size_t kFindAllCost = 64;
// The memory the pieces and the places found may take for a text of `size`
// bytes; past it the whole text is rewritten for each entry instead.
size_t bookkeepingAllowed(size_t size) { return std::min(64 * size + (size_t{1} << 16), size_t{128} << 20); }

// Working space of ExpandInto, kept from group to group.
struct Scratch {
    std::vector<int> queue;  // a min-heap of entry indices
    // Per entry: the call that queued it, and its latest place in `hits`.
    struct Queued {
        unsigned call = 0;
        int latestHit = -1;
        size_t hitCount = 0;
        bool allOver = false;  // found too often to keep its places: search the whole text
    };
    std::vector<Queued> queued;
    unsigned call = 0;
    // Where the queued entries' abbreviations were found: each entry's
    // places are a chain through `hits`, from its latest.
    struct Hit {
        Place at;
        int previous;
    };
    std::vector<Hit> hits;
    // The abbreviations found in the group as it came, taken by entry.
    struct Start {
        int entry;
        std::uint32_t at;
    };
    std::vector<Start> starts, sorting;
    PieceText text;
    std::string kept;  // the whole text, when it is kept in pieces anew
    std::vector<Place> found, chosen;
    std::vector<PieceText::Span> spans;
    std::string bytes, out;
    // Where the whole text is searched after a replacement: the stretches
    // around the inserted meanings, neighbours joined, each with the first
    // meaning's start.
    struct Stretch {
        size_t first, last, after;
    };
    std::vector<Stretch> stretches;

    void begin(size_t entries) {
        if (queued.size() < entries) queued.resize(entries);
        restart();
    }
    // Nothing queued, no stamp current.
    void restart() {
        queue.clear();
        hits.clear();
        if (++call == 0) {  // the counter wrapped
            std::fill(queued.begin(), queued.end(), Queued());
            call = 1;
        }
    }
    // Each entry once: entries are taken in ascending order and only later
    // ones are queued.
    Queued& enqueue(int entry) {
        Queued& q = queued[static_cast<size_t>(entry)];
        if (q.call == call) return q;
        q = {call, -1, 0, false};
        queue.push_back(entry);
        std::push_heap(queue.begin(), queue.end(), std::greater<int>());
        return q;
    }
    void hit(int entry, Place at) {
        Queued& q = enqueue(entry);
        if (q.allOver || (q.allOver = replacesAllOver(++q.hitCount, text.Size()))) return;
        hits.push_back({at, q.latestHit});
        q.latestHit = static_cast<int>(hits.size()) - 1;
    }
    int pop() {
        std::pop_heap(queue.begin(), queue.end(), std::greater<int>());
        const int entry = queue.back();
        queue.pop_back();
        return entry;
    }
    // By entry: in as many passes of 11 bits as the largest entry needs.
    void sortStarts(size_t entries) {
        if (starts.size() < 256) {
            std::sort(starts.begin(), starts.end(), [](Start a, Start b) { return a.entry < b.entry; });
            return;
        }
        sorting.resize(starts.size());
        for (unsigned shift = 0; (entries - 1) >> shift > 0; shift += 11) {
            std::array<size_t, 2049> first{};
            for (const Start st : starts) ++first[((static_cast<unsigned>(st.entry) >> shift) & 2047) + 1];
            for (size_t k = 1; k < first.size(); ++k) first[k] += first[k - 1];
            for (const Start st : starts) sorting[first[(static_cast<unsigned>(st.entry) >> shift) & 2047]++] = st;
            starts.swap(sorting);
        }
    }
    // What a group took is kept for the next, unless it was more than a few megabytes.
    void release() {
        constexpr size_t kKeep = size_t{16} << 20;
        if (starts.capacity() * sizeof(Start) > kKeep) {
            std::vector<Start>().swap(starts);
            std::vector<Start>().swap(sorting);
        }
        if (hits.capacity() * sizeof(Hit) > kKeep) std::vector<Hit>().swap(hits);
        if (out.capacity() > kKeep) std::string().swap(out);
        if (kept.capacity() > kKeep) std::string().swap(kept);
        if (text.Bookkeeping() > kKeep) text = PieceText();
    }
};

thread_local Scratch scratch;

// Of the occurrences `found` (sorted) of an abbreviation that can overlap
// itself, the ones a replacement from left to right takes: the first of a
// chain of overlapping ones, then each that begins after the last taken.
void takeFromLeft(const PieceText& text, const std::vector<Place>& found, size_t length, std::vector<Place>& taken) {
    taken.clear();
    auto isFound = [&](Place p) { return std::binary_search(found.begin(), found.end(), p); };
    for (const Place o : found) {
        Place c = o;
        bool first = true;
        for (size_t k = 1; k < length && first && text.Prev(c); ++k) first = !isFound(c);
        if (!first) continue;
        taken.push_back(o);
        c = o;
        for (size_t sinceTaken = 0, sinceFound = 0;;) {
            text.Next(c);
            ++sinceTaken;
            if (c.piece == 0 || ++sinceFound >= length) break;
            if (!isFound(c)) continue;
            sinceFound = 0;
            if (sinceTaken >= length) {
                taken.push_back(c);
                sinceTaken = 0;
            }
        }
    }
}

}  // namespace

// Entries apply in list order, but an entry whose abbreviation does not occur
// in the group changes nothing. So only the entries found in the group are
// queued, each with the places where its abbreviation was found, and after
// each replacement the text around the inserted meaning is searched for
// abbreviations that now occur. The text is kept in pieces, so that a
// replacement costs what it puts in; replacements of one entry do not
// overlap, so they can be made in any order once it is known which of the
// occurrences a replacement from left to right would take.
//
// An entry that replaces all over the text rewrites the whole text instead,
// as do the entries after it, each searching the text, until so many have
// replaced little that finding every abbreviation again pays: then the text
// is kept in pieces anew.
void AbbTable::ExpandInto(std::string_view group, std::string& text, size_t limit) const {
    if (nodes_.size() < 2) {  // no usable entry
        text.assign(group);
        return;
    }
    Scratch& s = scratch;
    struct Release {
        ~Release() { scratch.release(); }
    } release;
    s.begin(entry_.size());
    std::string_view whole = group;  // what the pieces are made of
    for (int current = -1;; whole = s.kept) {
        if (whole.size() <= UINT32_MAX) {  // what a place counts
            s.text.Reset(whole);
            s.starts.clear();
            findAt(whole, 0, whole.size(), 0, current,
                   [&](int entry, size_t start) { s.starts.push_back({entry, static_cast<std::uint32_t>(start)}); });
            s.sortStarts(entry_.size());
            if (expandInPieces(text, limit)) return;
        } else {
            text.assign(whole);
            findAt(text, 0, text.size(), 0, current, [&](int entry, size_t) { s.enqueue(entry); });
        }
        if (expandWhole(text, limit, current)) return;
        s.restart();
        s.kept.swap(text);
    }
}

// True when done; false when the rest is to be done on the whole text, which
// `text` then holds, with the entries still to apply queued.
bool AbbTable::expandInPieces(std::string& text, size_t limit) const {
    Scratch& s = scratch;
    PieceText& pieces = s.text;
    // Entries found in the text as it came, and entries whose abbreviation a
    // replacement brought in, in ascending order.
    for (size_t next = 0; next < s.starts.size() || !s.queue.empty();) {
        const int fromStarts = next < s.starts.size() ? s.starts[next].entry : INT_MAX;
        const bool queued = !s.queue.empty() && s.queue.front() <= fromStarts;
        const int entry = queued ? s.pop() : fromStarts;
        // The rest on the whole text, this entry first.
        auto handOver = [&] {
            text.clear();
            pieces.AppendTo(text);
            s.queue.push_back(entry);
            std::push_heap(s.queue.begin(), s.queue.end(), std::greater<int>());
            for (; next < s.starts.size(); ++next) s.enqueue(s.starts[next].entry);
            return false;
        };
        if (queued && s.queued[static_cast<size_t>(entry)].allOver) return handOver();
        // The places still in the text; the entry itself is looked at only when there are some.
        s.found.clear();
        auto take = [&](Place at) {
            if (at.piece != 0) s.found.push_back(at);
        };
        for (; next < s.starts.size() && s.starts[next].entry == entry; ++next) take(pieces.FirstPlace(s.starts[next].at));
        if (queued) {
            for (int h = s.queued[static_cast<size_t>(entry)].latestHit; h >= 0; h = s.hits[static_cast<size_t>(h)].previous)
                take(pieces.Resolve(s.hits[static_cast<size_t>(h)].at));
        }
        if (s.found.empty()) continue;
        const Entry& e = entry_[static_cast<size_t>(entry)];
        const std::string_view find = abb(entry);
        const std::string_view with = meaning(entry);
        // Places found that many are taken to be there before each is
        // looked at: a long abbreviation found at every other place would
        // cost its length at each.
        if (replacesAllOver(s.found.size(), pieces.Size())) return handOver();
        std::erase_if(s.found, [&](Place at) { return !pieces.StartsWith(at, find); });
        if (s.found.empty()) continue;
        std::sort(s.found.begin(), s.found.end());
        s.found.erase(std::unique(s.found.begin(), s.found.end()), s.found.end());
        if (e.overlaps) takeFromLeft(pieces, s.found, find.size(), s.chosen);
        const std::vector<Place>& taken = e.overlaps ? s.chosen : s.found;
        const size_t count = taken.size();
        const size_t size = pieces.Size() - count * find.size() + count * with.size();
        // Each step lets the text grow to the limit and not past it.
        if (size > limit && with.size() > find.size()) throw RunawayExpansion(Runaway::ListMeanings);
        const size_t more =
            count * ((3 + with.size() / PieceText::kPieceLength) * PieceText::kPieceBytes +
                     (e.meaningJoins ? (with.size() + longest_) * sizeof(Scratch::Hit) : 0));
        const size_t held = pieces.Bookkeeping() + s.hits.size() * sizeof(Scratch::Hit) +
                            s.starts.size() * sizeof(Scratch::Start) * 2;
        if (held + more > bookkeepingAllowed(size)) return handOver();
        for (const Place at : taken) {
            const Place start = pieces.Replace(pieces.Resolve(at), find.size(), with);
            if (e.meaningJoins) findAround(start, with.size(), entry);
        }
    }
    text.clear();
    pieces.AppendTo(text);
    return true;
}

// Queues the abbreviations that overlap the `length` characters put in at
// `start`, or span the join when there are none.
void AbbTable::findAround(Place start, size_t length, int current) const {
    Scratch& s = scratch;
    const size_t before = s.text.Around(start, longest_ - 1, length + longest_ - 1, s.bytes, s.spans);
    findAt(s.bytes, 0, std::min(s.bytes.size(), before + length), before, current,
           [&](int entry, size_t at) { s.hit(entry, PieceText::PlaceIn(s.spans, at)); });
}

// The queued entries on the whole text in one string: each rewrites it. True
// when done; false when so many have replaced little that the text is to be
// kept in pieces again, with the entries after `current` still to apply.
bool AbbTable::expandWhole(std::string& text, size_t limit, int& current) const {
    Scratch& s = scratch;
    auto enqueue = [&s](int entry, size_t) { s.enqueue(entry); };
    std::string& out = s.out;
    size_t wasted = 0;  // bytes rewritten for entries that replaced little
    while (!s.queue.empty()) {
        if (wasted > kFindAllCost * text.size() && text.size() <= UINT32_MAX) return false;
        const int entry = s.pop();
        current = entry;
        const std::string_view find = abb(entry);
        const std::string_view with = meaning(entry);
        size_t at = FindText(text, find);
        if (at == std::string::npos) {
            wasted += text.size();
            continue;
        }
        const bool joins = entry_[static_cast<size_t>(entry)].meaningJoins;
        const bool grows = with.size() > find.size();
        out.clear();
        s.stretches.clear();
        size_t from = 0, count = 0;
        for (; at != std::string::npos; at = FindText(text, find, from), ++count) {
            out.append(text, from, at - from);
            if (joins) {
                // Abbreviations that overlap the meaning, or span the join when it is empty.
                const size_t begin = out.size();
                const size_t first = begin >= longest_ ? begin - longest_ + 1 : 0;
                const size_t last = begin + std::max<size_t>(with.size(), 1);
                if (!s.stretches.empty() && first <= s.stretches.back().last) s.stretches.back().last = last;
                else s.stretches.push_back({first, last, begin});
            }
            out.append(with);
            from = at + find.size();
            // What is done and what is left: the least the result will be.
            if (grows && out.size() + (text.size() - from) > limit) throw RunawayExpansion(Runaway::ListMeanings);
        }
        wasted = replacesAllOver(count, text.size()) ? 0 : wasted + text.size();
        out.append(text, from, std::string::npos);
        std::swap(text, out);
        for (const Scratch::Stretch& st : s.stretches)
            findAt(text, st.first, std::min(text.size(), st.last), st.after, entry, enqueue);
    }
    return true;
}

ExpansionTable AbbreviationPass(std::string& work, const AbbTable& table,
                                const std::function<bool()>& listReady, const WorkBound& bound) {
    ExpansionTable result;
    // Kept as it came until the pass has gone through: a pass stopped by the
    // bound leaves it alone.
    const std::string& scan = work;

    // While no expansion has brought a "*" into the working text, the working
    // text is `done` followed by the rest of the scan copy from `rest`, and its
    // first "*" opens the group at hand. Otherwise the steps are followed on
    // the working text itself.
    std::string done;
    done.reserve(scan.size() + scan.size() / 4);
    size_t rest = 0;
    DisplayLengthCounter doneLength;
    bool literal = false;
    std::string whole;

    std::string expansion;
    size_t from = 0;
    while (true) {
        const size_t open = scan.find('*', from);
        if (open == std::string::npos) break;
        if (!listReady()) break;
        const size_t close = scan.find('*', open + 1);
        if (close == std::string::npos || close == open + 1) break;
        const std::string_view group = std::string_view(scan).substr(open + 1, close - open - 1);
        const size_t workSize = literal ? whole.size() : done.size() + (scan.size() - rest);
        table.ExpandInto(group, expansion, bound.Left(workSize - (group.size() + 2)));

        std::int64_t start = 0;
        if (!literal) {
            const std::string_view before = std::string_view(scan).substr(rest, open - rest);
            doneLength.Feed(before);
            start = doneLength.Value() + 1;  // the opening "*" counts one
            done.append(before);
            done.append(expansion);
            doneLength.Feed(expansion);
            rest = close + 1;
            if (expansion.find('*') != std::string::npos) {
                literal = true;
                whole = done + scan.substr(rest);
            }
        } else {
            const size_t firstStar = whole.find('*');
            if (firstStar != std::string::npos) start = DisplayLength(std::string_view(whole).substr(0, firstStar + 1));
            // Built in place: the one-expression form trips GCC 12's -Wrestrict.
            std::string quoted(1, '*');
            quoted.append(group);
            quoted.push_back('*');
            const size_t at = whole.find(quoted);
            if (at != std::string::npos) whole.replace(at, group.size() + 2, expansion);
        }
        const std::int64_t end = start + DisplayLength(expansion);
        result.ExpPosCount += 3;
        result.ExpPos.resize(static_cast<size_t>(result.ExpPosCount) + 1, 0);
        const size_t slot = static_cast<size_t>(result.ExpPosCount) - 3;
        result.ExpPos[slot] = static_cast<std::int32_t>(start);
        result.ExpPos[slot + 1] = static_cast<std::int32_t>(end);
        result.ExpPos[slot + 2] = static_cast<std::int32_t>(static_cast<std::int64_t>(group.size()) - (end - start));
        from = close + 1;
    }
    if (literal) {
        work = std::move(whole);
    } else {
        done.append(scan, rest, std::string::npos);
        work = std::move(done);
    }
    return result;
}

}  // namespace convert
