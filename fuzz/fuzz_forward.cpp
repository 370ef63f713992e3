// Feeds arbitrary code texts, symbol tables and abbreviation lists to the
// forward conversion's passes and compares them with the step-by-step
// passes of the tests, which follow the described steps literally.
//
// Input: up to four cell overrides (code byte, choice byte), then the code
// text up to the first NUL, then abbreviation lines separated by LF. Sizes
// are kept small so the step-by-step passes, whose results can grow
// exponentially with self-referring entries, stay quick.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/convert/literal_forward.h"
#include "convert/abbrev_pass.h"
#include "convert/symbol_pass.h"

namespace {

const char* const kCellChoices[] = {"", "\\u1575?", "\\'e4", "\\'aa", "#", "a#b", "*", "uu", "_", "\\'",
                                    "b", "{\\b z}", "\\", "'", "gg", "x"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    convert::CellTable cells;
    for (int c = 64; c <= 255; ++c)
        if (c != 92 && c != 123 && c != 125) cells[static_cast<size_t>(c)] = literal::cat({"<", std::to_string(c), ">"});
    for (int k = 0; k < 4 && input.size() >= 2; ++k) {
        const unsigned char code = static_cast<unsigned char>(input[0]);
        const unsigned char choice = static_cast<unsigned char>(input[1]);
        input.remove_prefix(2);
        if (code >= 64) cells[code] = kCellChoices[choice % std::size(kCellChoices)];
    }
    const size_t nul = input.find('\0');
    const std::string text(input.substr(0, std::min<size_t>(nul, 300)));
    std::vector<std::string> list;
    if (nul != std::string_view::npos) {
        std::string_view rest = input.substr(nul + 1);
        while (!rest.empty() && list.size() < 6) {
            const size_t lf = rest.find('\n');
            list.emplace_back(rest.substr(0, std::min<size_t>(lf, 10)));
            rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
        }
    }
    list.emplace_back();

    std::string fast = convert::SymbolPass(text, cells);
    const std::string slow = literal::symbolPass(text, cells);
    if (fast != slow) std::abort();

    const literal::AbbResult expected = literal::abbreviationPass(slow, list);
    const convert::ExpansionTable places = convert::AbbreviationPass(fast, convert::AbbTable(list), [] { return true; });
    if (fast != expected.work || places.ExpPos != expected.expPos || places.ExpPosCount != expected.expPosCount)
        std::abort();
    return 0;
}
