#pragma once
// A sequence of whole-text replacements, each putting a group mark & inner &
// mark in place of every occurrence of its text, applied with one search of
// the text for all of them instead of one search per replacement.
#include <string>
#include <string_view>
#include <vector>

#include "convert/reverse.h"
#include "convert/work_bound.h"

namespace convert {

struct GroupRule {
    std::string_view find;
    std::string_view inner;
    // Only where the symbol font's tag is the nearest tag before the
    // occurrence (ReplaceCodeInSymbolFont; `inner` is one character).
    bool symbolFontOnly = false;
};

// Exactly what applying the rules one after the other gives: each replaces
// from left to right without overlap, continuing after the group it put in,
// and later rules also see the groups earlier ones put in. A rule that would
// make the text larger than `bound` throws RunawayExpansion(`what`).
void ReplaceByGroups(std::string& text, char mark, const std::vector<GroupRule>& rules, const FontTags& tags,
                     const WorkBound& bound, Runaway what);

}  // namespace convert
