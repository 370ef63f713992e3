#include "convert/group_replace.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>

#include "convert/multi_search.h"
#include "convert/replace.h"

namespace convert {
namespace {

constexpr size_t npos = std::string::npos;

// After this many fresh searches of the text one search per rule is cheaper.
constexpr int kMaxSearches = 8;

// What one occurrence found costs while the text is edited: its position, and
// when it is replaced, a span of the edited text. They count toward the bound
// with the text, or a list whose meanings expand into each other would take
// many times the bound in them before the text itself grew past it.
constexpr size_t kBytesPerOccurrence = sizeof(size_t) + 64;

// Sums over the positions before a given one (a Fenwick tree).
class PrefixSums {
public:
    explicit PrefixSums(size_t positions) : tree_(positions + 1, 0) {}
    void Add(size_t at, long long value) {
        for (size_t i = at + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += value;
    }
    long long Before(size_t end) const {
        long long sum = 0;
        for (size_t i = std::min(end, tree_.size() - 1); i > 0; i -= i & (~i + 1)) sum += tree_[i];
        return sum;
    }

private:
    std::vector<long long> tree_;
};

// The text as the rules so far have left it: the base text with some spans
// replaced by groups, and where the two font tags still stand in it.
class EditedText {
public:
    EditedText(std::string_view base, std::set<size_t> symbolTags, std::set<size_t> plainTags, const WorkBound& bound,
               Runaway what)
        : base_(base), shift_(base.size()), tags_{std::move(symbolTags), std::move(plainTags)}, size_(base.size()),
          bound_(bound), what_(what) {}

    bool Empty() const { return spans_.empty(); }

    bool Untouched(size_t b, size_t e) const {
        auto it = spans_.lower_bound(e);
        return it == spans_.begin() || std::prev(it)->second.end <= b;
    }

    void Replace(size_t b, size_t e, size_t rule, size_t groupLength) {
        size_ = size_ - (e - b) + groupLength;
        CheckBound(size_, bound_, what_);
        spans_.emplace(b, Span{e, rule});
        shift_.Add(b, static_cast<long long>(groupLength) - static_cast<long long>(e - b));
        for (auto& starts : tags_) {
            for (auto it = starts.lower_bound(b >= 2 ? b - 2 : 0); it != starts.end() && *it < e;)
                it = starts.erase(it);
        }
    }

    // Where an untouched base position stands in the edited text.
    size_t Current(size_t q) const { return static_cast<size_t>(static_cast<long long>(q) + shift_.Before(q)); }

    // Of the tags that end at or before q, the last one is the symbol font's.
    bool SymbolTagNearest(size_t q) const {
        const auto symbol = LastTagEnd(tags_[0], q);
        if (!symbol) return false;
        const auto plain = LastTagEnd(tags_[1], q);
        return !plain || *symbol > *plain;
    }

    std::string Render(char mark, const std::vector<GroupRule>& rules) const {
        std::string out;
        out.reserve(base_.size() + spans_.size() * 4);
        size_t done = 0;
        for (const auto& [b, span] : spans_) {
            out.append(base_, done, b - done);
            out += mark;
            out += rules[span.rule].inner;
            out += mark;
            done = span.end;
        }
        out.append(base_, done, npos);
        return out;
    }

private:
    struct Span {
        size_t end;
        size_t rule;
    };

    // Tags are three characters long.
    static std::optional<size_t> LastTagEnd(const std::set<size_t>& starts, size_t q) {
        if (q < 3) return std::nullopt;
        auto it = starts.upper_bound(q - 3);
        if (it == starts.begin()) return std::nullopt;
        return *std::prev(it) + 3;
    }

    std::string_view base_;
    std::map<size_t, Span> spans_;
    PrefixSums shift_;
    std::set<size_t> tags_[2];
    size_t size_;  // of the edited text
    WorkBound bound_;
    Runaway what_;
};

// The occurrences a replacement of every occurrence would replace.
size_t CountOccurrences(std::string_view text, std::string_view what) {
    size_t count = 0;
    for (size_t at = FindText(text, what); at != npos; at = FindText(text, what, at + what.size())) ++count;
    return count;
}

// Every substring of the inners put in so far.
class InnerParts {
public:
    void Add(std::string_view inner) {
        if (inner.size() > 16) {
            long_.push_back(inner);
            return;
        }
        for (size_t i = 0; i < inner.size(); ++i)
            for (size_t j = i + 1; j <= inner.size(); ++j) short_.insert(inner.substr(i, j - i));
    }
    bool Contains(std::string_view text) const {
        if (short_.count(text)) return true;
        for (std::string_view inner : long_)
            if (inner.find(text) != npos) return true;
        return false;
    }

private:
    std::unordered_set<std::string_view> short_;
    std::vector<std::string_view> long_;
};

}  // namespace

// The rules are applied to the base text through its occurrences found in one
// search: a rule takes those that no earlier rule has replaced. That holds as
// long as no rule can match a group put in before it: one whose text holds the
// mark or lies inside an inner put in. Such a rule (rare) is applied to the
// text as it stands, and the rules after it are searched anew in the result.
// The symbol-font rules need the tags as they stand before each occurrence;
// a tag holding the mark could be made by a group, so then those rules are
// applied directly too.
//
// Equal texts are searched once. A rule whose text an earlier rule of the
// same search has already replaced finds nothing more: that rule took or
// stepped over every occurrence, and one standing inside a group would have
// needed the direct way. A text inside another is found where it stands on
// its own; where it stands inside a group put in before, it is taken as
// touched and left alone, as the replacement one after the other leaves it.
void ReplaceByGroups(std::string& text, char mark, const std::vector<GroupRule>& rules, const FontTags& tags,
                     const WorkBound& bound, Runaway what) {
    const auto& symbol = tags.SymbolFontTag;
    const auto& plain = tags.AnsiFontTag;
    const bool symbolRuns = symbol && !(plain && *plain == *symbol);
    const bool tagsHoldMark = (symbol && symbol->find(mark) != npos) || (plain && plain->find(mark) != npos);
    auto applyDirectly = [&](const GroupRule& rule) {
        if (rule.symbolFontOnly) {
            // A byte escape ("\'" and more) becomes three characters: the text
            // grows by half at most, so the bound is checked afterwards.
            ReplaceCodeInSymbolFont(text, rule.find, rule.inner.empty() ? '\0' : rule.inner[0], tags);
            CheckBound(text.size(), bound, what);
        } else {
            const size_t groupLength = rule.inner.size() + 2;
            if (groupLength > rule.find.size())
                CheckBound(text.size() + CountOccurrences(text, rule.find) * (groupLength - rule.find.size()), bound, what);
            ReplaceAll(text, rule.find, mark + std::string(rule.inner) + mark);
        }
    };

    int searches = 0;
    size_t first = 0;  // the rules before it have been applied to `text`
    while (first < rules.size()) {
        std::vector<std::string_view> patterns;
        for (size_t k = first; k < rules.size(); ++k) patterns.push_back(rules[k].find);
        patterns.push_back(symbol ? std::string_view(*symbol) : std::string_view());
        patterns.push_back(plain ? std::string_view(*plain) : std::string_view());
        // Equal texts are found once, under the first of them.
        const MultiSearch search(patterns);
        const size_t symbolAt = search.First(patterns.size() - 2);
        const size_t plainAt = search.First(patterns.size() - 1);
        std::vector<std::vector<size_t>> starts;
        const size_t maxOccurrences = std::min(8 * text.size() + 4096, bound.Left(text.size()) / kBytesPerOccurrence);
        if (++searches > kMaxSearches || !search.FindAll(text, maxOccurrences, starts)) {
            for (size_t k = first; k < rules.size(); ++k) applyDirectly(rules[k]);
            return;
        }

        EditedText edited(text,
                          symbol ? std::set<size_t>(starts[symbolAt].begin(), starts[symbolAt].end()) : std::set<size_t>(),
                          plain ? std::set<size_t>(starts[plainAt].begin(), starts[plainAt].end()) : std::set<size_t>(),
                          bound, what);
        InnerParts putIn;
        std::vector<char> replacedAll(patterns.size(), 0);  // a plain rule of this search has taken the text
        size_t k = first;
        for (; k < rules.size(); ++k) {
            const GroupRule& rule = rules[k];
            if (rule.find.empty() || (rule.symbolFontOnly && !symbolRuns)) continue;
            const bool mayMeetGroups = rule.find.find(mark) != npos || putIn.Contains(rule.find);
            if ((mayMeetGroups && !edited.Empty()) || (rule.symbolFontOnly && tagsHoldMark)) break;
            const size_t pattern = search.First(k - first);
            if (replacedAll[pattern] && !rule.symbolFontOnly) continue;
            const size_t groupLength = rule.inner.size() + 2;
            bool any = false;
            if (rule.symbolFontOnly) {
                // The search goes on after the group put in, or four characters
                // after an occurrence that stays.
                size_t pos = 0;
                for (size_t q : starts[pattern]) {
                    const size_t e = q + rule.find.size();
                    if (!edited.Untouched(q, e)) continue;
                    const size_t cq = edited.Current(q);
                    if (cq < pos) continue;
                    if (edited.SymbolTagNearest(q)) {
                        edited.Replace(q, e, k, groupLength);
                        pos = cq + groupLength;
                        any = true;
                    } else {
                        pos = cq + 4;
                    }
                }
            } else {
                size_t end = 0;
                for (size_t q : starts[pattern]) {
                    const size_t e = q + rule.find.size();
                    if (q < end || !edited.Untouched(q, e)) continue;
                    edited.Replace(q, e, k, groupLength);
                    end = e;
                    any = true;
                }
                replacedAll[pattern] = 1;
            }
            if (any) putIn.Add(rule.inner);
        }
        if (!edited.Empty()) text = edited.Render(mark, rules);
        if (k < rules.size()) applyDirectly(rules[k++]);
        first = k;
    }
}

}  // namespace convert
