#include "convert/symbol_pass.h"

#include <gtest/gtest.h>

#include <random>

#include "literal_forward.h"

using convert::CellTable;
using convert::SymbolPass;

namespace {

// Cells that name their code, so results read like the examples: "a" -> "<97>".
CellTable namedCells() {
    CellTable cells;
    for (int c = 64; c <= 255; ++c)
        if (c != 92 && c != 123 && c != 125) cells[static_cast<size_t>(c)] = literal::cat({"<", std::to_string(c), ">"});
    return cells;
}

}  // namespace

TEST(SymbolPass, TextWithoutAPairIsUnchanged) {
    const CellTable cells = namedCells();
    EXPECT_EQ(SymbolPass("plain {x} \\b", cells), "plain {x} \\b");
    EXPECT_EQ(SymbolPass("one # mark", cells), "one # mark");
    EXPECT_EQ(SymbolPass("", cells), "");
}

TEST(SymbolPass, QuotedCharactersBecomeTheirCells) {
    const CellTable cells = namedCells();
    EXPECT_EQ(SymbolPass("x#ab#y", cells), "x<97><98>y");
    EXPECT_EQ(SymbolPass("##", cells), "");
    EXPECT_EQ(SymbolPass("#@\xA4#", cells), "<64><164>");
    EXPECT_EQ(SymbolPass("#{x}#{x}", cells), "\\{<120>\\}{x}");
    // Line breaks, digits and other codes below 64 pass through.
    EXPECT_EQ(SymbolPass("#a\r\n1?'#", cells), "<97>\r\n1?'");
}

TEST(SymbolPass, EachPairReplacesEveryEqualGroupOfTheWorkingText) {
    const CellTable cells = namedCells();
    EXPECT_EQ(SymbolPass("#ab# and #ab#", cells), "<97><98> and <97><98>");
    EXPECT_EQ(SymbolPass("#a#b#c#", cells), "<97>b<99>");
    // The first pair's group "c" is also found across the second pair's marks.
    EXPECT_EQ(SymbolPass("#c##a#c#", cells), "<99>#a<99>");
    EXPECT_EQ(SymbolPass("#x#y#", cells), "<120>y#");
}

TEST(SymbolPass, AnEmptyCellRemovesItsCharacter) {
    CellTable cells = namedCells();
    cells[65].clear();
    EXPECT_EQ(SymbolPass("#A#", cells), "");
    EXPECT_EQ(SymbolPass("#AB#", cells), "<66>");
}

TEST(SymbolPass, HexDigitsOfATypedByteEscapeStay) {
    const CellTable cells = namedCells();
    EXPECT_EQ(SymbolPass("#\\'e4#", cells), "\\'e4");
    EXPECT_EQ(SymbolPass("#\\'5a#", cells), "\\'5a");
    // Both letters of "\'aa" and "\'ff" stay; a third letter is text again.
    EXPECT_EQ(SymbolPass("#\\'aa#", cells), "\\'aa");
    EXPECT_EQ(SymbolPass("#\\'ffa#", cells), "\\'ff<97>");
    EXPECT_EQ(SymbolPass("#\\'aaa#", cells), "\\'aa<97>");
    // A letter whose cell is empty can join "\" and "'" into an escape.
    CellTable emptyA = cells;
    emptyA['a'].clear();
    EXPECT_EQ(SymbolPass("#\\a'b#", emptyA), "\\'b");
    // Upper-case hex letters are ordinary letters.
    EXPECT_EQ(SymbolPass("#\\'E4#", cells), "\\'<69>4");
}

TEST(SymbolPass, LaterStepsWorkOnTheCellsEarlierStepsInserted) {
    CellTable cells = namedCells();
    cells[117] = "\\'e2";  // "u"
    EXPECT_EQ(SymbolPass("#ua#", cells), "\\'e2<97>");
    // A typed "\u" loses its "u" in the first step.
    EXPECT_EQ(SymbolPass("#\\u#", cells), "\\\\'e2");
    cells[65] = std::string(1, 'g');  // "A" inserts a letter that step 6 replaces
    EXPECT_EQ(SymbolPass("#A#", cells), "<103>");
    cells[65] = std::string(1, '_');  // "_" meets the second "_" step
    EXPECT_EQ(SymbolPass("#A#", cells), "<95>");
}

TEST(SymbolPass, AHashInACellBecomesAMarkOfTheWorkingText) {
    CellTable cells = namedCells();
    cells[120] = std::string(1, '#');
    // The first pair turns "#x#" into a lone "#", which joins the text around
    // it into the group "y" that the second pair finds.
    EXPECT_EQ(SymbolPass("#y##x#y#", cells), literal::symbolPass("#y##x#y#", cells));
    EXPECT_EQ(SymbolPass("a#x#b #y# #x#", cells), literal::symbolPass("a#x#b #y# #x#", cells));
}

namespace {

std::string randomText(std::mt19937& rng, size_t maxLen) {
    static const std::vector<std::string> parts = {"#", "#", "#", "*", "\\'", "\\", "'", "\r\n", "a", "b", "e",
                                                   "f", "u", "_", "A", "{", "}", "|", "x", "4", "\xE4", " "};
    std::string s;
    const size_t n = rng() % (maxLen + 1);
    while (s.size() < n) s += parts[rng() % parts.size()];
    return s;
}

CellTable randomCells(std::mt19937& rng) {
    static const std::vector<std::string> cells = {"", "\\u1575?", "\\'e4", "\\'aa", "#", "a#b", "x", "uu",
                                                   "_", "\\'", "b", "{\\b z}", "*", "\\u-3?"};
    CellTable t;
    for (int c = 64; c <= 255; ++c)
        if (c != 92 && c != 123 && c != 125)
            t[static_cast<size_t>(c)] = rng() % 3 ? literal::cat({"<", std::to_string(c), ">"}) : cells[rng() % cells.size()];
    return t;
}

// Cells that chain: a few codes hold up to three characters, mostly codes
// with steps of their own, so that characters expand through many steps (the
// hex letters, both "_" steps, "u", the braces and "#" among them).
CellTable chainedCells(std::mt19937& rng) {
    static const std::string codes = "@AMZ_`aefgu|{}\xE4\xFF";
    static const std::vector<std::string> others = {"#", "\\", "'", "\\'", "x"};
    CellTable cells = namedCells();
    for (int k = 0; k < 6; ++k) {
        const auto code = static_cast<unsigned char>(codes[rng() % codes.size()]);
        if (code == '{' || code == '}') continue;
        std::string cell;
        for (size_t n = rng() % 4; n > 0; --n)
            cell += rng() % 4 ? std::string(1, codes[rng() % codes.size()]) : others[rng() % others.size()];
        cells[code] = cell;
    }
    return cells;
}

// "@" holds a blank and eight "A", "A" a blank and eight "B", and so on to
// `last`, which holds a blank and eight "0": one "@" becomes 1 + 8 (1 + 8 (...)).
CellTable nineCharacterCells(char last) {
    CellTable cells = namedCells();
    for (char code = '@'; code <= last; ++code)
        cells[static_cast<unsigned char>(code)] =
            " " + std::string(8, code == last ? '0' : static_cast<char>(code + 1));
    return cells;
}

}  // namespace

TEST(SymbolPass, AgreesWithTheStepByStepPassOnRandomTexts) {
    std::mt19937 rng(4711);
    for (int round = 0; round < 2000; ++round) {
        const CellTable cells = randomCells(rng);
        const convert::SegmentConverter converter(cells);
        for (int t = 0; t < 5; ++t) {
            const std::string text = randomText(rng, round % 10 == 0 ? 300 : 40);
            ASSERT_EQ(SymbolPass(text, converter), literal::symbolPass(text, cells))
                << "round " << round << " text " << text;
        }
    }
}

// Expansions kept spelt out or built part by part as a text needs them.
TEST(SymbolPass, AgreesWithTheStepByStepPassOnRandomChainedTables) {
    std::mt19937 rng(2024);
    for (int round = 0; round < 1000; ++round) {
        const CellTable cells = chainedCells(rng);
        const convert::SegmentConverter converter(cells, round % 2 ? 1024 : rng() % 8);
        for (int t = 0; t < 5; ++t) {
            const std::string text = randomText(rng, round % 10 == 0 ? 300 : 40) + "#@M`\xFF#";
            const convert::WorkBound bound = convert::WorkBound::For(text.size());
            ASSERT_EQ(SymbolPass(text, converter, bound), literal::symbolPass(text, cells))
                << "round " << round << " text " << text;
        }
    }
}

// What the lengths say stops the pass before any text is built (3^26 bytes
// would end the program), and the hex letters' step stops as it grows; the
// bound is shared by all the groups one conversion replaces.
TEST(SymbolPass, CodingsThatChainStopAtTheBoundBeforeTheTextIsBuilt) {
    CellTable tripled = namedCells();
    for (char code = '@'; code < 'Z'; ++code)
        tripled[static_cast<unsigned char>(code)].assign(3, static_cast<char>(code + 1));
    tripled['Z'] = "z";
    CellTable letters = namedCells();  // "@" becomes a thousand "a", each a thousand "x"
    letters['@'].assign(1000, 'a');
    letters['a'].assign(1000, 'x');
    CellTable lettersOneByOne = letters;  // the six letter steps taken one by one
    lettersOneByOne['b'].clear();
    CellTable late = namedCells();  // "@" a thousand "g", each a thousand "h", after the hex letters
    late['@'].assign(1000, 'g');
    late['g'].assign(1000, 'h');
    struct Row {
        const CellTable& cells;
        std::string text;
        size_t bound;
        bool stops;
    };
    const CellTable nine = nineCharacterCells('D');  // one "@": 37,449 characters
    for (const Row& row : {Row{tripled, "#@#", convert::kWorkFloorBytes, true},
                           Row{tripled, "#Y#", 100, false},
                           Row{nine, "#@@#", 70000, true},
                           Row{nine, "#@@#", 80000, false},
                           Row{nine, "#@# #@#", 70000, true},
                           Row{nine, "#@# #@#", 80000, false},
                           Row{letters, "#@#", 100000, true},
                           Row{lettersOneByOne, "#@#", 100000, true},
                           Row{late, "#@#", 100000, true},
                           Row{letters, "#a#", 100000, false}}) {
        const convert::SegmentConverter converter(row.cells, 64);
        if (row.stops) {
            EXPECT_THROW(SymbolPass(row.text, converter, convert::WorkBound{row.bound}), convert::RunawayExpansion)
                << row.text << " " << row.bound;
        } else {
            EXPECT_EQ(SymbolPass(row.text, converter, convert::WorkBound{row.bound}),
                      literal::symbolPass(row.text, row.cells))
                << row.text << " " << row.bound;
        }
    }
}

// A cell whose coding holds its own quoted character: every pair of the text
// replaces all the groups the pairs before it made.
TEST(SymbolPass, CodingsThatExpandIntoEachOtherStopAtTheBound) {
    CellTable cells = namedCells();
    cells['a'] = "#a##a#";
    std::string text;
    for (int i = 0; i < 40; ++i) text += "#a#";
    const convert::SegmentConverter converter(cells);
    try {
        SymbolPass(text, converter, convert::WorkBound::For(text.size()));
        ADD_FAILURE() << "no stop";
    } catch (const convert::RunawayExpansion& stopped) {
        EXPECT_EQ(stopped.What(), convert::Runaway::Cells);
    }
    // Below the bound the pass goes on as before: ten pairs, each doubling.
    const std::string ten = text.substr(0, 10 * 3);
    EXPECT_EQ(SymbolPass(ten, converter, convert::WorkBound::For(ten.size())).size(), size_t{3 * 10} << 10);
}

// Only growth counts: a text quoted character by character grows to a few
// times its size, far below 64 times, though the pass describes it in lists
// many times larger than the text from the start. (The bound is set to 64
// times this small text, as it is for a text of megabytes.)
TEST(SymbolPass, ATextDenseInMarksIsNoRunaway) {
    const CellTable cells = namedCells();
    const convert::SegmentConverter converter(cells);
    for (const char* unit : {"#a#", "#a# ", "#ab#"}) {
        std::string text;
        while (text.size() < 3000) text += unit;
        const convert::WorkBound bound{convert::kWorkGrowthFactor * text.size()};
        std::string converted;
        EXPECT_NO_THROW(converted = SymbolPass(text, converter, bound)) << unit;
        EXPECT_EQ(converted, SymbolPass(text, converter)) << unit;
    }
}
