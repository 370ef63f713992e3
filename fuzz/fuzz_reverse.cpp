// Differential fuzzing of the reverse conversion: the fast steps must give
// exactly what the literal steps give, on any document, list and table.
//
// Input: a byte choosing the character set and one the size (and, in its
// upper bits, how often each list line repeats, so that many entries share a
// meaning), then the RTF text, "\x01", the list lines ("\n" between them),
// "\x01", the cells (lines of the cell's character followed by its coding).
// Without the first "\x01" there is no list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/convert/reverse_literal.h"
#include "convert/reverse.h"
#include "store/store.h"

namespace {

std::vector<std::string> Split(std::string_view text, char at) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == at) {
            parts.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The largest recognised text still compared with the literal steps, and
// how far the fast steps may grow it (past that they stop, as the program
// does at its own bound): a sanitized build takes seconds a megabyte.
constexpr std::size_t kLiteralLimit = 64 << 10;
constexpr std::size_t kGrowthLimit = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 4096) return 0;  // the literal steps are quadratic
    static const int kSets[] = {0, 177, 2, 1};
    static const int kSizes[] = {12, 6, 60, 3};
    const int charSet = kSets[data[0] % 4];
    const int fontSize = kSizes[data[1] % 4];
    const std::vector<std::string> sections = Split(std::string_view(reinterpret_cast<const char*>(data) + 2, size - 2), '\x01');

    std::vector<std::string> list;
    if (sections.size() > 1) {
        const int repeats = 1 + (data[1] >> 2) % 4;
        for (const std::string& line : Split(sections[1], '\n'))
            for (int k = 0; k < repeats; ++k) list.push_back(line);
        list.emplace_back();
    }
    convert::CellTable cells{};
    if (sections.size() > 2) {
        for (const std::string& line : Split(sections[2], '\n')) {
            if (!line.empty() && store::HasCell(static_cast<unsigned char>(line[0])))
                cells[static_cast<unsigned char>(line[0])] = line.substr(1);
        }
    }
    const std::vector<std::string>* withList = sections.size() > 1 ? &list : nullptr;

    std::string fast = sections[0];
    try {
        convert::RecognizeSymbols(fast, withList, cells, charSet, fontSize, convert::WorkBound{kGrowthLimit});
    } catch (const convert::RunawayExpansion&) {
        return 0;  // a list or table that multiplies the text: stopped at the bound, as it should be
    }
    // The literal steps copy the whole text at every step: on a text that the
    // list or the cells have grown to megabytes they take minutes and
    // gigabytes, so past the limit the fast steps run alone (a crash or a
    // sanitizer's report of theirs still shows).
    if (fast.size() > kLiteralLimit) {
        convert::CleanUpRtf(fast, fontSize);
        return 0;
    }
    std::string slow = sections[0];
    literal::Recognize(slow, withList, cells, charSet, fontSize);
    if (fast != slow) std::abort();
    if (convert::CleanUpRtf(fast, fontSize) != literal::CleanUp(slow, fontSize)) std::abort();
    return 0;
}
