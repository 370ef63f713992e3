#pragma once
// The "*" pass of the forward conversion: every stretch quoted between two
// "*" marks is expanded through the abbreviation list, and each expansion's
// place in the lower text is recorded for the caret sync.
//
// Users' lists rely on its quirks: entries apply in list order, each to the
// result of those before it, so a later entry can rewrite an earlier meaning;
// "**" or an unclosed "*" ends the pass.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/piece_text.h"
#include "convert/work_bound.h"

namespace convert {

// Characters as the lower window shows them: an RTF Unicode escape ("\u",
// digits, "?") and a byte escape ("\'" and two hex digits) count one each,
// every other character one, so a line break counts two.
std::int64_t DisplayLength(std::string_view text);

// The same for a text that grows at its end.
class DisplayLengthCounter {
public:
    void Feed(std::string_view more);
    // The display length of everything fed so far.
    std::int64_t Value() const { return count_ - overhead_; }

private:
    std::int64_t count_ = 0;
    std::int64_t overhead_ = 0;
    std::int64_t pendingUnicode_ = -1;  // where a "\u" waits for its "?"
    bool afterBackslash_ = false;
};

// The trace order: by the position of the first "=", largest first, so the
// longest abbreviations come first and entries without a usable "=" last;
// entries of equal length in the exact order of the exchange loop.
void TraceAbbList(std::vector<std::string>& list);

// The list as the pass uses it (the lines of the trace file and the empty
// spare slot), indexed so that a group looks only at the entries whose
// abbreviation occurs in it.
class AbbTable {
public:
    AbbTable() = default;
    explicit AbbTable(std::vector<std::string> lines);

    const std::vector<std::string>& Lines() const { return lines_; }

    // The group with every entry applied in list order, into `expanded`. A
    // replacement that would make it longer than `limit` throws
    // RunawayExpansion.
    void ExpandInto(std::string_view group, std::string& expanded, size_t limit = SIZE_MAX) const;

private:
    // The trie of the abbreviations, flat: a node's children and entries are
    // runs of the two arrays below. With its links it finds every
    // abbreviation in one pass over a text (Aho-Corasick).
    struct Node {
        int firstChild = 0, childCount = 0;
        int dense = -1;  // a node with many children looks them up in a table
        int firstEntry = 0, entryCount = 0;  // the entries with this abbreviation
        int entry = -1;  // the first of them
        int depth = 0;
        int fail = 0;    // the longest proper suffix that is a node
        int output = 0;  // the longest proper suffix that is an abbreviation; 0: none
    };
    struct Entry {
        size_t start = 0, equals = 0, end = 0;  // in pool_; equals is npos when unusable
        bool meaningJoins = false;  // the meaning is empty or holds a character of an abbreviation
        bool overlaps = false;  // two occurrences of the abbreviation can overlap
    };
    int child(int node, unsigned char c) const;
    void link();
    // Pushes, for every abbreviation occurring in `text` at a start in
    // [from, to) and ending after `after`, its first entry after `current`
    // and the start.
    template <class Push>
    void findAt(std::string_view text, size_t from, size_t to, size_t after, int current, Push&& push) const;
    // The two ways of ExpandInto: on the text in pieces, and on the whole
    // text in one string.
    bool expandInPieces(std::string& text, size_t limit) const;
    void findAround(PieceText::Place start, size_t length, int current) const;
    bool expandWhole(std::string& text, size_t limit, int& current) const;

    std::string_view abb(int entry) const;
    std::string_view meaning(int entry) const;

    std::vector<std::string> lines_;
    std::string pool_;  // the lines one after the other, read while expanding
    std::vector<Entry> entry_;
    std::vector<Node> nodes_;
    std::vector<std::pair<unsigned char, int>> children_;
    std::vector<int> entries_;
    std::vector<std::array<int, 256>> denseChildren_;
    size_t longest_ = 0;
};

// Starts, ends and length differences of the expanded groups: three slots a
// group and one spare slot, which is 0; four zeros without expansions.
struct ExpansionTable {
    std::vector<std::int32_t> ExpPos = {0, 0, 0, 0};
    std::int32_t ExpPosCount = 0;
};

// Runs the pass on `work`. `listReady` runs at each opening "*" before its
// group is looked at (it loads the list when it has changed); false ends the
// pass there. An expansion that would make the text larger than `bound`
// throws RunawayExpansion (Runaway::ListMeanings) and leaves `work` alone.
ExpansionTable AbbreviationPass(std::string& work, const AbbTable& table,
                                const std::function<bool()>& listReady, const WorkBound& bound = {});

}  // namespace convert
