#include "convert/abbrev_pass.h"

#include <algorithm>
#include <queue>

#include "convert/exchange_sort.h"
#include "platform/ansi.h"
#include "platform/textfile.h"

namespace convert {

void DisplayLengthCounter::Feed(std::string_view more) {
    for (unsigned char c : more) {
        // A "\u" counts as one character with everything up to its "?", unless
        // another "\" comes first.
        if (pendingUnicode_ >= 0) {
            if (c == '?') {
                overhead_ += count_ - pendingUnicode_;
                pendingUnicode_ = -1;
            } else if (c == '\\') {
                pendingUnicode_ = -1;
            }
        }
        if (afterBackslash_) {
            if (c == 'u') pendingUnicode_ = count_ - 1;
            if (c == '\'') overhead_ += 3;
        }
        afterBackslash_ = (c == '\\');
        ++count_;
    }
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

AbbTable::AbbTable(std::vector<std::string> lines) : lines_(std::move(lines)), nodes_(1) {
    equals_.reserve(lines_.size());
    for (size_t i = 0; i < lines_.size(); ++i) {
        const std::string& entry = lines_[i];
        const size_t eq = entry.find('=');
        // An entry without "=" or beginning with "=" is never used.
        equals_.push_back(eq == std::string::npos || eq == 0 ? std::string::npos : eq);
        if (equals_.back() == std::string::npos) continue;
        longest_ = std::max(longest_, eq);
        int node = 0;
        for (size_t k = 0; k < eq; ++k) {
            const unsigned char c = static_cast<unsigned char>(entry[k]);
            auto& children = nodes_[static_cast<size_t>(node)].children;
            auto it = std::lower_bound(children.begin(), children.end(), std::make_pair(c, 0),
                                       [](const auto& a, const auto& b) { return a.first < b.first; });
            if (it == children.end() || it->first != c) {
                const int created = static_cast<int>(nodes_.size());
                children.insert(it, {c, created});
                nodes_.emplace_back();
                node = created;
            } else {
                node = it->second;
            }
        }
        nodes_[static_cast<size_t>(node)].entries.push_back(static_cast<int>(i));
    }
}

std::string_view AbbTable::abb(int entry) const {
    return std::string_view(lines_[static_cast<size_t>(entry)]).substr(0, equals_[static_cast<size_t>(entry)]);
}

std::string_view AbbTable::meaning(int entry) const {
    return std::string_view(lines_[static_cast<size_t>(entry)]).substr(equals_[static_cast<size_t>(entry)] + 1);
}

int AbbTable::child(int node, unsigned char c) const {
    const auto& children = nodes_[static_cast<size_t>(node)].children;
    auto it = std::lower_bound(children.begin(), children.end(), std::make_pair(c, 0),
                               [](const auto& a, const auto& b) { return a.first < b.first; });
    return it != children.end() && it->first == c ? it->second : -1;
}

template <class Queue>
void AbbTable::findAt(std::string_view text, size_t from, size_t to, size_t after, int current,
                      Queue& queue) const {
    for (size_t start = from; start < to; ++start) {
        int node = 0;
        for (size_t at = start; at < text.size(); ++at) {
            node = child(node, static_cast<unsigned char>(text[at]));
            if (node < 0) break;
            const auto& entries = nodes_[static_cast<size_t>(node)].entries;
            if (entries.empty() || at + 1 <= after) continue;
            // Later entries with the same abbreviation matter only when it
            // turns up again, and then it is found again.
            auto next = std::upper_bound(entries.begin(), entries.end(), current);
            if (next != entries.end()) queue.push(*next);
        }
    }
}

// Entries apply in list order, but an entry whose abbreviation does not occur
// in the group changes nothing. So only the entries found in the group are
// queued, and after each replacement the text around the inserted meanings is
// searched for abbreviations that now occur.
std::string AbbTable::Expand(std::string_view group) const {
    std::string text(group);
    if (nodes_.size() < 2) return text;
    std::priority_queue<int, std::vector<int>, std::greater<int>> queue;
    findAt(text, 0, text.size(), 0, -1, queue);
    int current = -1;
    while (!queue.empty()) {
        const int entry = queue.top();
        queue.pop();
        if (entry == current) continue;
        current = entry;
        const std::string_view find = abb(entry);
        const std::string_view with = meaning(entry);
        size_t at = text.find(find);
        if (at == std::string::npos) continue;
        std::string out;
        std::vector<size_t> inserted;  // where each meaning begins in `out`
        size_t from = 0;
        for (; at != std::string::npos; at = text.find(find, from)) {
            out.append(text, from, at - from);
            inserted.push_back(out.size());
            out.append(with);
            from = at + find.size();
        }
        out.append(text, from, std::string::npos);
        text = std::move(out);
        for (size_t begin : inserted) {
            // Abbreviations that overlap the meaning, or span the join when it is empty.
            const size_t first = begin >= longest_ ? begin - longest_ + 1 : 0;
            const size_t last = std::min(text.size(), begin + std::max<size_t>(with.size(), 1));
            findAt(text, first, last, begin, current, queue);
        }
    }
    return text;
}

ExpansionTable AbbreviationPass(std::string& work, const AbbTable& table,
                                const std::function<bool()>& listReady) {
    ExpansionTable result;
    const std::string scan = std::move(work);

    // While no expansion has brought a "*" into the working text, the working
    // text is `done` followed by the rest of the scan copy from `rest`, and its
    // first "*" opens the group at hand. Otherwise the steps are followed on
    // the working text itself.
    std::string done;
    size_t rest = 0;
    DisplayLengthCounter doneLength;
    bool literal = false;
    std::string whole;

    size_t from = 0;
    while (true) {
        const size_t open = scan.find('*', from);
        if (open == std::string::npos) break;
        if (!listReady()) break;
        const size_t close = scan.find('*', open + 1);
        if (close == std::string::npos || close == open + 1) break;
        const std::string_view group = std::string_view(scan).substr(open + 1, close - open - 1);
        const std::string expansion = table.Expand(group);

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
            const size_t at = whole.find("*" + std::string(group) + "*");
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
    work = literal ? std::move(whole) : done + scan.substr(rest);
    return result;
}

const char* const kRetracePrompt =
    "Retrace array? To save time chose NO if you didn't alter the structure of the Abb list.\r\n\r\n"
    "If you alter Abb list and do not retrace array, the short abbs may be translated before the long "
    "ones and thus prevent the translation of the long abbs if they are parts of them, as AGE is a part "
    "of CAGE. E.g. if your traced abb list (see RunemillIni3LAbb.TXT) contains 'AGE=how old are you' "
    "before 'CAGE=you can swallow a cage but not cage a swallow', you will get after typing CAGE: "
    "'Chow old are you'.";
const char* const kRetraceTitle = "Retrace Abb list?";

AbbLoadResult LoadAbbTraceFile(AbbTable& table, bool retrace, const AbbLoadServices& services) {
    AbbLoadResult result;
    textfile::ensureExists(kAbbTraceFile);
    if (textfile::length(kAbbTraceFile) < 3) return result;
    auto read = textfile::readLines(kAbbTraceFile, textfile::LoneLf::StaysInLine);
    if (!read) {
        result.failure = ansi::fromQString(textfile::lastError());
        return result;
    }
    std::vector<std::string> lines = std::move(*read);
    const size_t n = lines.size();
    lines.emplace_back();  // the spare slot

    services.showProgress("Preparing " + std::to_string(n) + " entries in the Abb list for work. Please wait!");
    if (retrace) {
        const bool yes = n < static_cast<size_t>(kRetraceQuestionLines) || services.askYesNo(kRetracePrompt, kRetraceTitle);
        if (yes) {
            services.pumpEvents();
            TraceAbbList(lines);
            if (!textfile::writeLinesAtomic(kAbbTraceFile, lines)) result.failure = ansi::fromQString(textfile::lastError());
        }
    }
    table = AbbTable(std::move(lines));
    result.usable = true;
    return result;
}

}  // namespace convert
