#include "convert/abbrev_pass.h"

#include <algorithm>
#include <cstring>

#include "convert/exchange_sort.h"

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
        entries_.insert(entries_.end(), trie[n].entries.begin(), trie[n].entries.end());
        if (node.childCount > 6) {
            node.dense = static_cast<int>(denseChildren_.size());
            denseChildren_.emplace_back();
            denseChildren_.back().fill(-1);
            for (const auto& [c, to] : trie[n].children) denseChildren_.back()[c] = to;
        }
    }
    for (size_t i = 0; i < entry_.size(); ++i) {
        if (entry_[i].equals == std::string::npos) continue;
        const std::string_view m = meaning(static_cast<int>(i));
        entry_[i].meaningJoins =
            m.empty() || std::any_of(m.begin(), m.end(), [&](char c) { return inAbbreviation[static_cast<unsigned char>(c)]; });
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

int AbbTable::child(int node, unsigned char c) const {
    const Node& n = nodes_[static_cast<size_t>(node)];
    if (n.dense >= 0) return denseChildren_[static_cast<size_t>(n.dense)][c];
    for (int k = n.firstChild, end = n.firstChild + n.childCount; k < end; ++k)
        if (children_[static_cast<size_t>(k)].first == c) return children_[static_cast<size_t>(k)].second;
    return -1;
}

template <class Push>
void AbbTable::findAt(std::string_view text, size_t from, size_t to, size_t after, int current,
                      Push&& push) const {
    for (size_t start = from; start < to; ++start) {
        int node = 0;
        for (size_t at = start; at < text.size(); ++at) {
            node = child(node, static_cast<unsigned char>(text[at]));
            if (node < 0) break;
            const Node& n = nodes_[static_cast<size_t>(node)];
            if (n.entryCount == 0 || at + 1 <= after) continue;
            // Later entries with the same abbreviation matter only when it
            // turns up again, and then it is found again.
            const auto first = entries_.begin() + n.firstEntry;
            const auto last = first + n.entryCount;
            const auto next = std::upper_bound(first, last, current);
            if (next != last) push(*next);
        }
    }
}

// Entries apply in list order, but an entry whose abbreviation does not occur
// in the group changes nothing. So only the entries found in the group are
// queued (each once: entries are taken in ascending order and only later ones
// are queued), and after each replacement the text around the inserted
// meanings is searched for abbreviations that now occur.
void AbbTable::ExpandInto(std::string_view group, std::string& text, size_t limit) const {
    text.assign(group);
    if (nodes_.size() < 2) return;  // no usable entry
    // Working space kept from group to group.
    thread_local std::vector<int> queue;  // a min-heap of entry indices
    thread_local std::vector<unsigned> queuedIn;  // the call that queued an entry
    thread_local unsigned call = 0;
    thread_local std::string out;
    // Where to search after a replacement: the stretches around the inserted
    // meanings, neighbours joined, each with the first meaning's start.
    struct Stretch {
        size_t first, last, after;
    };
    thread_local std::vector<Stretch> stretches;
    queue.clear();
    if (queuedIn.size() < entry_.size()) queuedIn.resize(entry_.size(), 0);
    if (++call == 0) {  // the counter wrapped: no stamp may look current
        std::fill(queuedIn.begin(), queuedIn.end(), 0u);
        call = 1;
    }
    auto push = [](int entry) {
        if (queuedIn[static_cast<size_t>(entry)] == call) return;
        queuedIn[static_cast<size_t>(entry)] = call;
        queue.push_back(entry);
        std::push_heap(queue.begin(), queue.end(), std::greater<int>());
    };
    findAt(text, 0, text.size(), 0, -1, push);
    int current = -1;
    while (!queue.empty()) {
        std::pop_heap(queue.begin(), queue.end(), std::greater<int>());
        const int entry = queue.back();
        queue.pop_back();
        current = entry;
        const std::string_view find = abb(entry);
        const std::string_view with = meaning(entry);
        size_t at = text.find(find);
        if (at == std::string::npos) continue;
        const bool joins = entry_[static_cast<size_t>(entry)].meaningJoins;
        const bool grows = with.size() > find.size();
        out.clear();
        stretches.clear();
        size_t from = 0;
        for (; at != std::string::npos; at = text.find(find, from)) {
            out.append(text, from, at - from);
            if (joins) {
                // Abbreviations that overlap the meaning, or span the join when it is empty.
                const size_t begin = out.size();
                const size_t first = begin >= longest_ ? begin - longest_ + 1 : 0;
                const size_t last = begin + std::max<size_t>(with.size(), 1);
                if (!stretches.empty() && first <= stretches.back().last) stretches.back().last = last;
                else stretches.push_back({first, last, begin});
            }
            out.append(with);
            from = at + find.size();
            // What is done and what is left: the least the result will be.
            if (grows && out.size() + (text.size() - from) > limit) {
                std::string().swap(out);  // the memory goes back at once
                throw RunawayExpansion(Runaway::ListMeanings);
            }
        }
        out.append(text, from, std::string::npos);
        std::swap(text, out);
        for (const Stretch& s : stretches) findAt(text, s.first, std::min(text.size(), s.last), s.after, current, push);
    }
}

std::string AbbTable::Expand(std::string_view group) const {
    std::string text;
    ExpandInto(group, text);
    return text;
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
