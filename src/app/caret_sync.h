#pragma once
// The position arithmetic that keeps the upper code window and the lower
// result window pointing at the same place. It estimates: every character of
// a "#" group counts as one character of the lower text, every character
// outside quotes as one, and the expansion table of the last conversion tells
// where "*" groups went.
#include <cstdint>
#include <string_view>
#include <vector>

namespace caret {

struct Selection {
    std::int64_t start = 0;
    std::int64_t length = 0;
    bool operator==(const Selection&) const = default;
};

// The lower selection when no "*" stands before the caret: the converted
// character at the caret.
Selection SimpleLowerSelectionFor(std::string_view beforeCaret);

// The lower selection for an upper caret with `beforeCaret` before it: the
// converted character at the caret, or the whole expansion when the caret is
// inside a "*" group. When two or more "*" stand before the caret, `quotePos`
// is made anew with the stars' places, for the backward sync.
Selection LowerSelectionFor(std::string_view beforeCaret, const std::vector<std::int32_t>& expPos,
                            std::vector<std::int32_t>& quotePos);

// The upper selection for a click at offset `clicked` of the lower text: the
// code character of the symbol, or the abbreviation of the expansion clicked
// in. `quotePos` must have been made for the whole upper text.
Selection UpperSelectionFor(std::string_view upper, std::int64_t lowerLength, std::int64_t clicked,
                            const std::vector<std::int32_t>& expPos,
                            const std::vector<std::int32_t>& quotePos);

}  // namespace caret
