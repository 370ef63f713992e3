#pragma once
// Finds every occurrence of many byte strings in one pass over a text
// (Aho-Corasick), overlapping occurrences included.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

class MultiSearch {
public:
    // Empty patterns are never found. Equal patterns are searched once: the
    // first of them stands for the others.
    explicit MultiSearch(const std::vector<std::string_view>& patterns);

    // The place of the first pattern in the constructor's list equal to the
    // one at `id`.
    size_t First(size_t id) const { return first_[id]; }

    // The start positions of each pattern in `text`, ascending, indexed by the
    // pattern's place in the constructor's list; filled for the first of equal
    // patterns only. False (and `starts` partly filled) when there are more
    // than `limit` occurrences in all.
    bool FindAll(std::string_view text, size_t limit, std::vector<std::vector<size_t>>& starts) const;

private:
    struct Node {
        std::vector<std::pair<unsigned char, int>> next;  // sorted by byte
        int fail = 0;
        int output = -1;    // nearest node on the fail chain (itself included) that ends a pattern
        std::vector<int> ends;  // patterns ending here
        int depth = 0;
    };
    int Child(int node, unsigned char c) const;

    std::vector<Node> nodes_;
    int rootNext_[256];
    size_t patternCount_ = 0;
    std::vector<size_t> first_;
};

}  // namespace convert
